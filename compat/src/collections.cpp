// MFC exceptions and CStringList.
#include "zelcompat/collections.h"

namespace {

BOOL CopyMessage(LPCWSTR text, LPWSTR buffer, UINT maxLength, UINT* helpContext) {
    if (helpContext) *helpContext = 0;
    if (buffer == nullptr || maxLength == 0) return FALSE;
    lstrcpynW(buffer, text, static_cast<int>(maxLength));
    return TRUE;
}

}  // namespace

CException::CException() : m_bAutoDelete(TRUE) {}

CException::CException(BOOL autoDelete) : m_bAutoDelete(autoDelete) {}

CException::~CException() = default;

void CException::Delete() {
    if (m_bAutoDelete) delete this;
}

BOOL CException::GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext) const {
    if (helpContext) *helpContext = 0;
    if (buffer && maxLength > 0) buffer[0] = 0;
    return FALSE;
}

CInvalidArgException::CInvalidArgException() = default;
CInvalidArgException::~CInvalidArgException() = default;

BOOL CInvalidArgException::GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext) const {
    return CopyMessage(u"Invalid argument.", buffer, maxLength, helpContext);
}

CMemoryException::CMemoryException() = default;
CMemoryException::~CMemoryException() = default;

BOOL CMemoryException::GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext) const {
    return CopyMessage(u"Out of memory.", buffer, maxLength, helpContext);
}

void AfxThrowInvalidArgException() { throw new CInvalidArgException(); }

void AfxThrowMemoryException() { throw new CMemoryException(); }

// ---------------------------------------------------------------------------------------
// CStringList

struct CStringList::Node {
    Node* next;
    Node* prev;
    CString data;
};

CStringList::CStringList(INT_PTR /*blockSize*/) {}

CStringList::CStringList(const CStringList& other) : CStringList() { AddTail(&other); }

CStringList& CStringList::operator=(const CStringList& other) {
    if (this != &other) {
        CStringList copy(other);
        std::swap(m_head, copy.m_head);
        std::swap(m_tail, copy.m_tail);
        std::swap(m_count, copy.m_count);
    }
    return *this;
}

CStringList::~CStringList() { RemoveAll(); }

CStringList::Node* CStringList::NodeOf(POSITION pos) {
    if (pos == nullptr || pos == BEFORE_START_POSITION) AfxThrowInvalidArgException();
    return reinterpret_cast<Node*>(pos);
}

CStringList::Node* CStringList::NewNode(const CString& value, Node* prev, Node* next) {
    Node* node = new Node{next, prev, value};
    if (prev) prev->next = node;
    else m_head = node;
    if (next) next->prev = node;
    else m_tail = node;
    ++m_count;
    return node;
}

void CStringList::FreeNode(Node* node) {
    if (node->prev) node->prev->next = node->next;
    else m_head = node->next;
    if (node->next) node->next->prev = node->prev;
    else m_tail = node->prev;
    --m_count;
    delete node;
}

CString& CStringList::GetHead() {
    if (m_head == nullptr) AfxThrowInvalidArgException();
    return m_head->data;
}

const CString& CStringList::GetHead() const {
    if (m_head == nullptr) AfxThrowInvalidArgException();
    return m_head->data;
}

CString& CStringList::GetTail() {
    if (m_tail == nullptr) AfxThrowInvalidArgException();
    return m_tail->data;
}

const CString& CStringList::GetTail() const {
    if (m_tail == nullptr) AfxThrowInvalidArgException();
    return m_tail->data;
}

CString CStringList::RemoveHead() {
    if (m_head == nullptr) AfxThrowInvalidArgException();
    CString value = std::move(m_head->data);
    FreeNode(m_head);
    return value;
}

CString CStringList::RemoveTail() {
    if (m_tail == nullptr) AfxThrowInvalidArgException();
    CString value = std::move(m_tail->data);
    FreeNode(m_tail);
    return value;
}

POSITION CStringList::AddHead(LPCWSTR value) { return AddHead(CString(value)); }

POSITION CStringList::AddHead(const CString& value) {
    return reinterpret_cast<POSITION>(NewNode(value, nullptr, m_head));
}

POSITION CStringList::AddTail(LPCWSTR value) { return AddTail(CString(value)); }

POSITION CStringList::AddTail(const CString& value) {
    return reinterpret_cast<POSITION>(NewNode(value, m_tail, nullptr));
}

void CStringList::AddHead(const CStringList* other) {
    if (other == nullptr) AfxThrowInvalidArgException();
    // Walk a snapshot so that adding a list to itself ends.
    CStringList copy(*other);
    for (Node* n = copy.m_tail; n; n = n->prev) AddHead(n->data);
}

void CStringList::AddTail(const CStringList* other) {
    if (other == nullptr) AfxThrowInvalidArgException();
    if (other == this) {
        CStringList copy(*other);
        AddTail(&copy);
        return;
    }
    for (Node* n = other->m_head; n; n = n->next) AddTail(n->data);
}

void CStringList::RemoveAll() {
    Node* n = m_head;
    while (n) {
        Node* next = n->next;
        delete n;
        n = next;
    }
    m_head = m_tail = nullptr;
    m_count = 0;
}

POSITION CStringList::GetHeadPosition() const { return reinterpret_cast<POSITION>(m_head); }

POSITION CStringList::GetTailPosition() const { return reinterpret_cast<POSITION>(m_tail); }

CString& CStringList::GetNext(POSITION& pos) {
    Node* node = NodeOf(pos);
    pos = reinterpret_cast<POSITION>(node->next);
    return node->data;
}

const CString& CStringList::GetNext(POSITION& pos) const {
    Node* node = NodeOf(pos);
    pos = reinterpret_cast<POSITION>(node->next);
    return node->data;
}

CString& CStringList::GetPrev(POSITION& pos) {
    Node* node = NodeOf(pos);
    pos = reinterpret_cast<POSITION>(node->prev);
    return node->data;
}

const CString& CStringList::GetPrev(POSITION& pos) const {
    Node* node = NodeOf(pos);
    pos = reinterpret_cast<POSITION>(node->prev);
    return node->data;
}

CString& CStringList::GetAt(POSITION pos) { return NodeOf(pos)->data; }

const CString& CStringList::GetAt(POSITION pos) const { return NodeOf(pos)->data; }

void CStringList::SetAt(POSITION pos, LPCWSTR value) { NodeOf(pos)->data = value; }

void CStringList::SetAt(POSITION pos, const CString& value) { NodeOf(pos)->data = value; }

void CStringList::RemoveAt(POSITION pos) { FreeNode(NodeOf(pos)); }

POSITION CStringList::InsertBefore(POSITION pos, LPCWSTR value) { return InsertBefore(pos, CString(value)); }

POSITION CStringList::InsertBefore(POSITION pos, const CString& value) {
    if (pos == nullptr) return AddHead(value);
    Node* at = NodeOf(pos);
    return reinterpret_cast<POSITION>(NewNode(value, at->prev, at));
}

POSITION CStringList::InsertAfter(POSITION pos, LPCWSTR value) { return InsertAfter(pos, CString(value)); }

POSITION CStringList::InsertAfter(POSITION pos, const CString& value) {
    if (pos == nullptr) return AddTail(value);
    Node* at = NodeOf(pos);
    return reinterpret_cast<POSITION>(NewNode(value, at, at->next));
}

POSITION CStringList::Find(LPCWSTR value, POSITION startAfter) const {
    Node* n = startAfter ? NodeOf(startAfter)->next : m_head;
    for (; n; n = n->next)
        if (n->data.Compare(value) == 0) return reinterpret_cast<POSITION>(n);
    return nullptr;
}

POSITION CStringList::FindIndex(INT_PTR index) const {
    if (index < 0 || index >= m_count) return nullptr;
    Node* n = m_head;
    while (index-- > 0) n = n->next;
    return reinterpret_cast<POSITION>(n);
}
