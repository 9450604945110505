// MFC exceptions, CArray and its named forms, CStringList.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "zelcompat/collections.h"

namespace {

// Runs f and reports whether it threw CInvalidArgException* (which is then deleted).
template <typename F>
bool ThrowsInvalidArg(F&& f) {
    try {
        f();
    } catch (CInvalidArgException* e) {
        e->Delete();
        return true;
    }
    return false;
}

using V = std::vector<std::u16string>;

V Items(const CStringArray& a) {
    V out;
    for (INT_PTR i = 0; i < a.GetSize(); ++i) out.push_back(a[i].Str());
    return out;
}

// The list front to back, after checking that back to front gives the same in reverse.
V Forward(const CStringList& list) {
    V out, back;
    for (POSITION pos = list.GetHeadPosition(); pos;) out.push_back(list.GetNext(pos).Str());
    for (POSITION pos = list.GetTailPosition(); pos;) back.insert(back.begin(), list.GetPrev(pos).Str());
    EXPECT_EQ(out, back);
    EXPECT_EQ(static_cast<INT_PTR>(out.size()), list.GetCount());
    return out;
}

}  // namespace

TEST(CollectionsTest, ExceptionsAreHeapPointersAndBadIndicesThrow) {
    try {
        AfxThrowMemoryException();
        FAIL() << "nothing thrown";
    } catch (CException* e) {
        EXPECT_NE(nullptr, dynamic_cast<CMemoryException*>(e));
        WCHAR message[64];
        EXPECT_TRUE(e->GetErrorMessage(message, 64) && lstrlenW(message) > 0);
        e->Delete();
    }
    CException onStack(FALSE);  // not auto-deleted: survives Delete()
    onStack.Delete();

    // A bad index throws CInvalidArgException and leaves the array as it was.
    CStringArray a;
    a.Add(u"zero");
    a.Add(CString(u"one"));
    const CStringArray& ca = a;
    const std::function<void()> bad[] = {
        [&] { a.GetAt(2); },   [&] { a.GetAt(-1); },  [&] { a.SetAt(5, u"x"); },         [&] { a.ElementAt(2); },
        [&] { a[2] = u"x"; },  [&] { (void)ca[7]; },  [&] { a.RemoveAt(1, 2); },         [&] { a.RemoveAt(-1); },
        [&] { a.SetSize(-1); }, [&] { a.InsertAt(-1, u"x"); }, [&] { a.InsertAt(0, u"x", 0); },
        [&] { a.SetAtGrow(-1, u"x"); }};
    for (size_t i = 0; i < std::size(bad); ++i) EXPECT_TRUE(ThrowsInvalidArg(bad[i])) << "call " << i;
    EXPECT_FALSE(ThrowsInvalidArg([&] { a.RemoveAt(2, 0); }));  // an empty range at the end
    EXPECT_EQ((V{u"zero", u"one"}), Items(a));
}

TEST(CollectionsTest, ArraySizingInsertRemoveAppend) {
    CStringArray a;
    EXPECT_EQ(0, a.Add(u"a"));
    EXPECT_EQ(1, a.Add(u"b"));
    a.SetSize(4);
    a[3] = u"d";  // dropped by the shrink below, so the regrown slot is empty
    a.SetSize(1, 16);
    a.SetSize(3);
    a.SetAtGrow(5, u"f");
    EXPECT_EQ((V{u"a", u"", u"", u"", u"", u"f"}), Items(a));  // grown elements start empty
    a.RemoveAll();
    EXPECT_EQ(0, a.Add(u"a"));
    a.Add(u"d");
    a.InsertAt(1, u"b");
    a.InsertAt(2, u"c", 2);
    EXPECT_EQ((V{u"a", u"b", u"c", u"c", u"d"}), Items(a));
    a.RemoveAt(2);
    a.RemoveAt(3, 1);
    a.InsertAt(5, u"z");  // past the end: the gap is filled with empty strings
    a.InsertAt(0, a[2]);  // the value may come from the array itself
    EXPECT_EQ((V{u"c", u"a", u"b", u"c", u"", u"", u"z"}), Items(a));

    CStringArray b;
    b.Add(u"x");
    b.Add(u"y");
    EXPECT_EQ(7, a.Append(b));
    b.Copy(a);
    EXPECT_EQ((V{u"c", u"a", u"b", u"c", u"", u"", u"z", u"x", u"y"}), Items(b));
    b.SetAt(0, u"changed");
    EXPECT_EQ(u"c", a[0]);  // copies are independent
    a.InsertAt(1, &b);
    EXPECT_EQ(18, a.GetSize());
    EXPECT_TRUE(a[1] == u"changed" && a[10] == u"a");
}

TEST(CollectionsTest, StringListOrderFindRemoveAndCopy) {
    CStringList list;
    POSITION b = list.AddTail(u"b");
    list.AddTail(CString(u"c"));
    list.AddHead(u"a");
    list.InsertBefore(b, u"a2");
    list.InsertAfter(b, u"b2");
    list.InsertBefore(nullptr, u"first");
    list.InsertAfter(nullptr, u"last");
    EXPECT_EQ((V{u"first", u"a", u"a2", u"b", u"b2", u"c", u"last"}), Forward(list));
    list.SetAt(b, u"B");
    EXPECT_EQ(u"B", list.GetAt(list.FindIndex(3)));
    EXPECT_TRUE(list.FindIndex(7) == nullptr && list.FindIndex(-1) == nullptr);

    list.RemoveAll();
    for (const char16_t* s : {u"x", u"keep", u"x", u"keep", u"x"}) list.AddTail(s);
    // The MFC idiom: remember the position before GetNext moves past it.
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        POSITION current = pos;
        if (list.GetNext(pos) == u"x") list.RemoveAt(current);
    }
    EXPECT_EQ((V{u"keep", u"keep"}), Forward(list));
    list.RemoveAll();
    EXPECT_EQ(V{}, Forward(list));
    EXPECT_TRUE(ThrowsInvalidArg([&] { list.GetHead(); }) && ThrowsInvalidArg([&] { list.RemoveTail(); }));

    CStringList found(4);
    for (const char16_t* s : {u"a", u"b", u"A", u"b"}) found.AddTail(s);
    POSITION second = found.Find(u"b"), fourth = found.Find(u"b", second);
    EXPECT_TRUE(second == found.FindIndex(1) && fourth == found.FindIndex(3));
    EXPECT_TRUE(found.Find(u"b", fourth) == nullptr && found.Find(u"missing") == nullptr);
    EXPECT_EQ(u"A", found.GetAt(found.Find(u"A")));  // exact: "a" does not match

    CStringList copy(found);
    copy.GetHead() = u"changed";
    EXPECT_EQ(u"a", found.GetHead());
    found.AddTail(&found);  // appending a list to itself doubles it
    EXPECT_EQ((V{u"a", u"b", u"A", u"b", u"a", u"b", u"A", u"b"}), Forward(found));
}
