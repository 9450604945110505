// The device file tree: building it from listed folders and single entries,
// moving the current folder, and listing the current folder to the host.
//
// The tree is filled lazily: a folder's children appear once the folder has
// been listed (MakeTree) or entries were added one by one (Add2Tree). Children
// are found by name through the tree's per-folder index, so listing a large
// folder entry by entry stays linear.
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "ZELDevice/device/CZEL_Device.h"
#include "internal/CoreText.h"
#include "zelcompat/debug.h"
#include "zelcompat/wstdio.h"

namespace {

// The non-empty components of a path cut at every "\".
std::vector<CString> Components(const CString& text) {
    std::vector<CString> parts;
    int start = 0;
    const int length = text.GetLength();
    while (start <= length) {
        int cut = text.Find(u'\\', start);
        if (cut < 0) cut = length;
        if (cut > start) parts.push_back(text.Mid(start, cut - start));
        start = cut + 1;
    }
    return parts;
}

// Drops a leading drive ("X:") when the second character is ":"; answers it.
CString TakeDrive(CString& text) {
    if (text.GetLength() >= 2 && text[1] == u':') {
        CString drive = text.Left(2);
        text = text.Mid(2);
        return drive;
    }
    return CString();
}

struct FileCloser {
    void operator()(FILE* file) const { fclose(file); }
};

}  // namespace

BOOL CZEL_Device::HasCurrentFolder() const { return m_Tree.is_valid(m_itCurrent); }

void CZEL_Device::CreateRoot() {
    CZEL_File root;
    root.SetAttributes(0x10, 0);
    root.SetName(u"Root");
    m_itCurrent = m_Tree.insert(m_Tree.end(), root);
    m_itList = sibling_iterator();
    m_bListRestart = false;
}

void CZEL_Device::ClearTree() {
    m_Tree.clear();
    m_itCurrent = pre_order_iterator();
    m_itList = sibling_iterator();
    m_bListRestart = false;
}

BOOL CZEL_Device::UsesDatabase() const {
    return (m_Settings.Capabilities & ZEL_CAP_DATABASE) != 0 && m_Settings.PlayerType != 2;
}

DWORD CZEL_Device::LookUpInDatabase(const CString& path) {
    if (!UsesDatabase() || m_pfnZELDB_GetRecord == nullptr) return 1;
    auto record = std::make_unique<tagDB_File>();  // zero-filled
    return m_pfnZELDB_GetRecord(path, record.get()) ? 1 : 0;
}

void CZEL_Device::Add2Tree(CZEL_File* entry, int checkExisting) {
    if (entry == nullptr) return;
    if (m_Tree.empty()) CreateRoot();
    pre_order_iterator parent = SetCurrentPath(const_cast<LPWSTR>(entry->Path.GetString()));
    if (checkExisting && m_Tree.find_child(parent, CZEL_File::FoldName(entry->Name)).node != nullptr) return;
    entry->InDatabase = entry->IsFolder() ? 1 : LookUpInDatabase(entry->Path);
    m_EnumList.push_back(*entry);
    m_Tree.append_child(parent, *entry);
}

void CZEL_Device::MakeTree() {
    m_nEnumCursor = 0;
    if (m_EnumList.empty()) return;
    if (m_Tree.empty()) {
        m_itCurrent = m_Tree.insert(m_Tree.end(), m_EnumList[0]);
        m_itList = sibling_iterator();
        m_bListRestart = false;
        ++m_nEnumCursor;
    } else if (!HasCurrentFolder()) {
        m_itCurrent = m_Tree.begin();
    }

    CString folder = GetCurrentPath();
    if (folder.IsEmpty() || folder[folder.GetLength() - 1] != u'\\') folder += u'\\';

    // The special folders, folded once for the whole list.
    std::vector<std::u16string> specials;
    DWORD count = m_Settings.SpecialFolderCount;
    if (count > ZEL_SPECIAL_FOLDERS) count = ZEL_SPECIAL_FOLDERS;
    for (DWORD k = 0; k < count; ++k) {
        CString special = zelcore::FixedText(m_Settings.SpecialFolders[k]);
        if (!special.IsEmpty()) specials.push_back(CZEL_File::FoldName(special));
    }

    for (; m_nEnumCursor < m_EnumList.size(); ++m_nEnumCursor) {
        CZEL_File entry(m_EnumList[m_nEnumCursor]);
        entry.Path = folder + entry.Name;
        if (entry.IsFolder()) {
            CString compared = entry.Path;
            if (compared.GetLength() >= 3 && compared[1] == u':' && compared[2] == u'\\') compared = compared.Mid(3);
            std::u16string folded = CZEL_File::FoldName(compared);
            for (const auto& special : specials) {
                if (folded.rfind(special, 0) == 0) {
                    entry.SetAttributes(0x10, 1);
                    break;
                }
            }
        } else {
            entry.InDatabase = LookUpInDatabase(entry.Path);
        }
        m_Tree.append_child(m_itCurrent, std::move(entry));
    }
    OutputDebugStringW(u"[DEBUG] End off calling MakeTree\n");
}

CZEL_Device::pre_order_iterator CZEL_Device::SetCurrentPath(LPWSTR path) {
    if (m_Tree.empty()) return m_Tree.end();
    CString text(path);
    CString drive = TakeDrive(text);
    int cut = text.ReverseFind(u'\\');
    text = cut >= 0 ? text.Left(cut) : CString();

    pre_order_iterator node = m_Tree.begin();
    CString walked = drive;
    for (const CString& component : Components(text)) {
        walked += u'\\';
        walked += component;
        sibling_iterator child = m_Tree.find_child(node, CZEL_File::FoldName(component));
        if (child.node != nullptr) {
            node = child;
            continue;
        }
        // A folder the tree has not seen yet: made on the way.
        CZEL_File folder;
        folder.SetAttributes(0x10, 0);
        folder.SetName(component);
        folder.SetPath(walked);
        folder.SetInDatabase(1);
        node = m_Tree.append_child(node, folder);
        OutputDebugStringW(CString(u"[Nuvoqa]: ") + walked);
    }
    return node;
}

void CZEL_Device::SetCurrentIterator(LPWSTR path) {
    CString text(path);
    TakeDrive(text);
    if (Components(text).empty()) {
        m_itCurrent = m_Tree.begin();  // the root, or end() of an empty tree
        return;
    }
    m_itCurrent = SetCurrentPath(path);
}

void CZEL_Device::MoveCurrentPath(CString name) {
    if (name.IsEmpty()) {
        m_strCurrentPath.Empty();
    } else if (name == u"..") {
        if (m_strCurrentPath.IsEmpty()) return;
        m_strCurrentPath = m_strCurrentPath.Left(m_strCurrentPath.GetLength() - 1);
        int cut = m_strCurrentPath.ReverseFind(u'\\');
        m_strCurrentPath = cut >= 0 ? m_strCurrentPath.Left(cut) : CString();
    } else if (m_strCurrentPath.IsEmpty()) {
        m_strCurrentPath = name;
    } else {
        m_strCurrentPath += u'\\';
        m_strCurrentPath += name;
    }
}

CString CZEL_Device::GetCurrentPath() {
    if (m_Settings.IsMTP) return m_strCurrentPath;
    if (!m_strCurrentPath.IsEmpty() && m_strCurrentPath[0] == u'\\') m_strCurrentPath = m_strCurrentPath.Mid(1);
    CString result;
    if (m_strCurrentPath.GetLength() >= 2 && m_strCurrentPath[1] == u':')
        result = m_strCurrentPath;
    else
        result = m_strDriveRoot + m_strCurrentPath;
    if (result.IsEmpty() || result[result.GetLength() - 1] != u'\\') result += u'\\';
    return result;
}

BOOL CZEL_Device::IsDeviceRoot() { return m_strCurrentPath.CompareNoCase(u"") == 0; }

int CZEL_Device::HaveChild(CString name) {
    if (m_Tree.empty()) return 0;
    if (!HasCurrentFolder()) m_itCurrent = m_Tree.begin();
    if (name == u"..") {
        if (m_itCurrent.node->parent != nullptr) m_itCurrent = FileTree::parent(m_itCurrent);
        return 0;
    }
    sibling_iterator child =
        m_Tree.find_child_if(m_itCurrent, CZEL_File::FoldName(name), [](const CZEL_File& file) { return file.IsFolder(); });
    m_itList = child;
    m_bListRestart = false;
    if (child.node == nullptr) return -1;
    m_itCurrent = child;
    return child.number_of_children() > 0 ? 1 : 0;
}

BOOL CZEL_Device::PassesListing(const CZEL_File& entry, bool first) const {
    if (entry.Name.IsEmpty() || entry.Name.CompareNoCase(u"system") == 0) return FALSE;
    if (m_CurrentFolderEntry.Slot != 0) {
        if (first && entry.Name == u"..") return FALSE;
        if ((m_Settings.Capabilities & ZEL_CAP_AGENT_ROUTE) && entry.IsFolder()) return FALSE;
    }
    return TRUE;
}

CZEL_File* CZEL_Device::FindFileFirst() {
    if (m_Tree.empty()) {
        CreateRoot();
        return nullptr;
    }
    if (!HasCurrentFolder()) m_itCurrent = m_Tree.begin();

    m_CurrentFolderEntry = *m_itCurrent;
    m_strCurrentPathText = m_CurrentFolderEntry.Path;
    if (m_strCurrentPathText.IsEmpty()) m_strCurrentPathText = m_strDriveRoot;
    if (m_nDeviceKind == 0 && !zelcore::StartsWithNoCase(m_strCurrentPathText, m_strDriveRoot)) {
        m_strCurrentPathText = m_strDriveRoot.Left(2) + m_strCurrentPathText;
        m_CurrentFolderEntry.Path = m_strCurrentPathText;
    }

    m_bListRestart = false;
    m_itList = m_itCurrent.begin();
    if (m_itList.node == nullptr) return nullptr;
    m_FoundFile = *m_itList;
    if (PassesListing(m_FoundFile, true)) return &m_FoundFile;
    return FindFileNext();
}

CZEL_File* CZEL_Device::FindFileNext() {
    for (;;) {
        if (m_bListRestart) {
            // The entry the listing stood on was removed and had no predecessor.
            m_bListRestart = false;
            m_itList = HasCurrentFolder() ? m_itCurrent.begin() : sibling_iterator();
        } else {
            if (m_itList.node == nullptr) return nullptr;
            ++m_itList;
        }
        if (m_itList.node == nullptr) return nullptr;
        m_FoundFile = *m_itList;
        if (PassesListing(m_FoundFile, false)) return &m_FoundFile;
    }
}

void CZEL_Device::print_tree() {
    if (m_Tree.empty()) return;
    FileTree copy(m_Tree);
    std::unique_ptr<FILE, FileCloser> file(_wfopen(u"test.txt", u"at"));
    if (!file) return;
    fputws(u"==================================\n", file.get());
    const int top = FileTree::depth(copy.begin());
    for (FileTree::pre_order_iterator it = copy.begin(); it != copy.end(); ++it) {
        CString line;
        for (int level = FileTree::depth(it) - top; level > 0; --level) line += u"  ";
        line += it->Name;
        line += u'\n';
        fputws(line, file.get());
    }
    fputws(u"==================================\n\n", file.get());
}

BOOL CZEL_Device::AddFileToBuffer(LPWSTR path, tagDB_File* record) {
    m_PendingPaths.Add(CString(path));
    if (record != nullptr) m_PendingRecords.push_back(*record);
    return 1;
}

void CZEL_Device::DeleteFromInnerBuffer(LPWSTR name) {
    if (m_Tree.empty()) return;
    CString text(name);
    if (text == u"..") return;
    if (!HasCurrentFolder()) m_itCurrent = m_Tree.begin();

    if (text.IsEmpty()) {
        // The folder stays in its parent; what was cached under it goes, so
        // that the next visit lists it again.
        m_Tree.erase_children(m_itCurrent);
        m_itList = sibling_iterator(nullptr, m_itCurrent.node);
        m_bListRestart = false;
        return;
    }

    sibling_iterator child = m_Tree.find_child_if(m_itCurrent, CZEL_File::FoldName(text),
                                                  [&text](const CZEL_File& file) { return file.Name == text; });
    if (child.node == nullptr) return;
    if (m_itList.node == child.node) {
        // Keep a running listing going with the entry that followed.
        if (child.node->prev_sibling != nullptr) {
            m_itList = sibling_iterator(child.node->prev_sibling, m_itCurrent.node);
        } else {
            m_itList = sibling_iterator();
            m_bListRestart = true;
        }
    }
    m_Tree.erase(child);

    for (size_t k = 0; k < m_EnumList.size(); ++k) {
        if (m_EnumList[k].Name.CompareNoCase(text) == 0) {
            m_EnumList.erase(m_EnumList.begin() + static_cast<std::ptrdiff_t>(k));
            if (m_nEnumCursor > k) --m_nEnumCursor;
            break;
        }
    }
}

void CZEL_Device::ClearInnerBuffer() {
    m_EnumList.clear();
    m_nEnumCursor = 0;
}

LPWSTR CZEL_Device::GetCurrentTransFile() { return const_cast<LPWSTR>(m_strCurrentTransFile.GetString()); }

CZEL_File* CZEL_Device::GetCurrentTransZELFile() { return &m_CurrentFolderEntry; }
