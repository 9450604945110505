// MFC exceptions and collections: CArray and its named forms (CStringArray, CUIntArray ...)
// and CStringList.
//
// As in MFC, exceptions are thrown as heap pointers and released by the catcher:
//     try { ... } catch (CException* e) { e->Delete(); }
// A bad index given to an array throws CInvalidArgException*.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

#include "cstring.h"
#include "types.h"

class ZELCOMPAT_API CException {
public:
    CException();
    explicit CException(BOOL autoDelete);
    virtual ~CException();
    // Deletes an exception that was created on the heap; one created with autoDelete
    // FALSE (on the stack, say) stays.
    void Delete();
    // The description of the error; FALSE when there is none.
    virtual BOOL GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext = nullptr) const;

protected:
    BOOL m_bAutoDelete;
};

class ZELCOMPAT_API CInvalidArgException : public CException {
public:
    CInvalidArgException();
    ~CInvalidArgException() override;
    BOOL GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext = nullptr) const override;
};

class ZELCOMPAT_API CMemoryException : public CException {
public:
    CMemoryException();
    ~CMemoryException() override;
    BOOL GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext = nullptr) const override;
};

[[noreturn]] ZELCOMPAT_API void AfxThrowInvalidArgException();
[[noreturn]] ZELCOMPAT_API void AfxThrowMemoryException();

// MFC CArray: a growable array addressed by index. GetAt, SetAt, ElementAt, operator[],
// InsertAt and RemoveAt check their index and throw CInvalidArgException* when it is bad.
template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray {
public:
    CArray() = default;

    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }
    BOOL IsEmpty() const { return m_items.empty(); }

    // New elements are default values; growBy is a hint MFC uses for allocation.
    void SetSize(INT_PTR newSize, INT_PTR growBy = -1) {
        if (newSize < 0) AfxThrowInvalidArgException();
        if (growBy > 0 && static_cast<size_t>(newSize) > m_items.capacity())
            m_items.reserve(std::max(static_cast<size_t>(newSize), m_items.size() + static_cast<size_t>(growBy)));
        m_items.resize(static_cast<size_t>(newSize));
    }
    void FreeExtra() { m_items.shrink_to_fit(); }
    void RemoveAll() { m_items.clear(); }

    const TYPE& GetAt(INT_PTR index) const { return m_items[Checked(index)]; }
    void SetAt(INT_PTR index, ARG_TYPE value) { m_items[Checked(index)] = value; }
    TYPE& ElementAt(INT_PTR index) { return m_items[Checked(index)]; }
    const TYPE& ElementAt(INT_PTR index) const { return m_items[Checked(index)]; }
    TYPE& operator[](INT_PTR index) { return ElementAt(index); }
    const TYPE& operator[](INT_PTR index) const { return GetAt(index); }
    TYPE* GetData() { return m_items.empty() ? nullptr : m_items.data(); }
    const TYPE* GetData() const { return m_items.empty() ? nullptr : m_items.data(); }

    // Sets an element, growing the array when the index is past the end.
    void SetAtGrow(INT_PTR index, ARG_TYPE value) {
        if (index < 0) AfxThrowInvalidArgException();
        if (index >= GetSize()) {
            TYPE copy(value);  // value may live inside the array
            m_items.resize(static_cast<size_t>(index) + 1);
            m_items[static_cast<size_t>(index)] = std::move(copy);
        } else {
            m_items[static_cast<size_t>(index)] = value;
        }
    }
    INT_PTR Add(ARG_TYPE value) {
        m_items.push_back(TYPE(value));
        return GetSize() - 1;
    }
    // Appends a copy of another array; returns the index of the first appended element.
    INT_PTR Append(const CArray& other) {
        if (&other == this) AfxThrowInvalidArgException();
        INT_PTR first = GetSize();
        m_items.insert(m_items.end(), other.m_items.begin(), other.m_items.end());
        return first;
    }
    void Copy(const CArray& other) {
        if (&other != this) m_items = other.m_items;
    }
    // Inserts count copies of value before index; an index past the end grows the array
    // first. A negative index or a count below 1 throws.
    void InsertAt(INT_PTR index, ARG_TYPE value, INT_PTR count = 1) {
        if (index < 0 || count <= 0) AfxThrowInvalidArgException();
        TYPE copy(value);
        if (index >= GetSize()) m_items.resize(static_cast<size_t>(index));
        m_items.insert(m_items.begin() + index, static_cast<size_t>(count), copy);
    }
    void InsertAt(INT_PTR startIndex, const CArray* other) {
        if (other == nullptr || startIndex < 0) AfxThrowInvalidArgException();
        if (other->IsEmpty()) return;
        std::vector<TYPE> items = other->m_items;
        if (startIndex >= GetSize()) m_items.resize(static_cast<size_t>(startIndex));
        m_items.insert(m_items.begin() + startIndex, items.begin(), items.end());
    }
    // Removes count elements from index; the whole range must lie inside the array.
    void RemoveAt(INT_PTR index, INT_PTR count = 1) {
        if (index < 0 || count < 0 || index > GetSize() || count > GetSize() - index) AfxThrowInvalidArgException();
        m_items.erase(m_items.begin() + index, m_items.begin() + index + count);
    }

    // Iteration for range-for.
    TYPE* begin() { return m_items.data(); }
    TYPE* end() { return m_items.data() + m_items.size(); }
    const TYPE* begin() const { return m_items.data(); }
    const TYPE* end() const { return m_items.data() + m_items.size(); }

private:
    size_t Checked(INT_PTR index) const {
        if (index < 0 || index >= GetSize()) AfxThrowInvalidArgException();
        return static_cast<size_t>(index);
    }

    std::vector<TYPE> m_items;
};

class CStringArray : public CArray<CString, const CString&> {};
class CUIntArray : public CArray<UINT, UINT> {};
class CDWordArray : public CArray<DWORD, DWORD> {};
class CWordArray : public CArray<WORD, WORD> {};
class CByteArray : public CArray<BYTE, BYTE> {};
class CPtrArray : public CArray<void*, void*> {};

// An opaque place in a list.
typedef struct __POSITION* POSITION;
#define BEFORE_START_POSITION (reinterpret_cast<POSITION>(static_cast<intptr_t>(-1)))

// MFC CStringList: a doubly linked list of strings addressed by POSITION. A POSITION stays
// valid until its element is removed. Copies are deep.
class ZELCOMPAT_API CStringList {
public:
    explicit CStringList(INT_PTR blockSize = 10);
    CStringList(const CStringList& other);
    CStringList& operator=(const CStringList& other);
    virtual ~CStringList();

    INT_PTR GetCount() const { return m_count; }
    INT_PTR GetSize() const { return m_count; }
    BOOL IsEmpty() const { return m_count == 0; }

    // The head and tail; on an empty list these throw CInvalidArgException*.
    CString& GetHead();
    const CString& GetHead() const;
    CString& GetTail();
    const CString& GetTail() const;
    CString RemoveHead();
    CString RemoveTail();

    POSITION AddHead(LPCWSTR value);
    POSITION AddHead(const CString& value);
    POSITION AddTail(LPCWSTR value);
    POSITION AddTail(const CString& value);
    void AddHead(const CStringList* other);
    void AddTail(const CStringList* other);
    void RemoveAll();

    POSITION GetHeadPosition() const;
    POSITION GetTailPosition() const;
    // The element at pos; pos moves to the next (previous) one, null after the last (first).
    CString& GetNext(POSITION& pos);
    const CString& GetNext(POSITION& pos) const;
    CString& GetPrev(POSITION& pos);
    const CString& GetPrev(POSITION& pos) const;

    CString& GetAt(POSITION pos);
    const CString& GetAt(POSITION pos) const;
    void SetAt(POSITION pos, LPCWSTR value);
    void SetAt(POSITION pos, const CString& value);
    void RemoveAt(POSITION pos);

    // A null position inserts at the head (InsertBefore) or the tail (InsertAfter).
    POSITION InsertBefore(POSITION pos, LPCWSTR value);
    POSITION InsertBefore(POSITION pos, const CString& value);
    POSITION InsertAfter(POSITION pos, LPCWSTR value);
    POSITION InsertAfter(POSITION pos, const CString& value);

    // The first element equal to value (exact comparison) after startAfter (null: from the
    // head); null when there is none.
    POSITION Find(LPCWSTR value, POSITION startAfter = nullptr) const;
    // The position of the zero-based index; null when out of range.
    POSITION FindIndex(INT_PTR index) const;

private:
    struct Node;
    static Node* NodeOf(POSITION pos);
    Node* NewNode(const CString& value, Node* prev, Node* next);
    void FreeNode(Node* node);

    Node* m_head = nullptr;
    Node* m_tail = nullptr;
    INT_PTR m_count = 0;
};
