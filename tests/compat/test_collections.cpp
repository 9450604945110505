// MFC exceptions, CArray and its named forms, CStringList.
#include <gtest/gtest.h>

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

std::vector<std::u16string> Items(const CStringArray& a) {
    std::vector<std::u16string> out;
    for (INT_PTR i = 0; i < a.GetSize(); ++i) out.push_back(a[i].Str());
    return out;
}

std::vector<std::u16string> Forward(const CStringList& list) {
    std::vector<std::u16string> out;
    for (POSITION pos = list.GetHeadPosition(); pos;) out.push_back(list.GetNext(pos).Str());
    return out;
}

std::vector<std::u16string> Backward(const CStringList& list) {
    std::vector<std::u16string> out;
    for (POSITION pos = list.GetTailPosition(); pos;) out.push_back(list.GetPrev(pos).Str());
    return out;
}

using V = std::vector<std::u16string>;

}  // namespace

TEST(CollectionsTest, ExceptionsAreHeapPointers) {
    try {
        AfxThrowMemoryException();
        FAIL() << "nothing thrown";
    } catch (CException* e) {
        EXPECT_NE(dynamic_cast<CMemoryException*>(e), nullptr);
        WCHAR message[64];
        EXPECT_TRUE(e->GetErrorMessage(message, 64));
        EXPECT_GT(lstrlenW(message), 0);
        e->Delete();
    }
    // An exception that is not to be auto-deleted survives Delete().
    CException onStack(FALSE);
    onStack.Delete();
}

TEST(CollectionsTest, StringArrayBadIndexThrows) {
    CStringArray a;
    a.Add(u"zero");
    a.Add(CString(u"one"));
    const CStringArray& ca = a;
    EXPECT_TRUE(ThrowsInvalidArg([&] { a.GetAt(2); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { a.GetAt(-1); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { a.SetAt(5, u"x"); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { a.ElementAt(2); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { a[2] = u"x"; }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { (void)ca[7]; }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { a.RemoveAt(1, 2); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { a.RemoveAt(-1); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { a.InsertAt(-1, u"x"); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { a.InsertAt(0, u"x", 0); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { a.SetSize(-1); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { a.SetAtGrow(-1, u"x"); }));
    EXPECT_FALSE(ThrowsInvalidArg([&] { a.RemoveAt(2, 0); }));  // an empty range at the end
    EXPECT_EQ(Items(a), (V{u"zero", u"one"}));
}

TEST(CollectionsTest, StringArraySizing) {
    CStringArray a;
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(a.GetUpperBound(), -1);
    EXPECT_EQ(a.Add(u"a"), 0);
    EXPECT_EQ(a.Add(u"b"), 1);
    a.SetSize(4);
    EXPECT_EQ(a.GetSize(), 4);
    EXPECT_EQ(a.GetUpperBound(), 3);
    EXPECT_TRUE(a[3].IsEmpty());
    a[3] = u"d";
    a.SetSize(1, 16);
    EXPECT_EQ(Items(a), (V{u"a"}));
    a.SetSize(3);
    EXPECT_TRUE(a[2].IsEmpty());  // grown again: new elements start empty
    a.SetAtGrow(5, u"f");
    EXPECT_EQ(a.GetCount(), 6);
    EXPECT_EQ(a.GetAt(5), u"f");
    a.RemoveAll();
    EXPECT_EQ(a.GetSize(), 0);
    EXPECT_EQ(a.GetData(), nullptr);
}

TEST(CollectionsTest, StringArrayInsertRemoveAppend) {
    CStringArray a;
    a.Add(u"a");
    a.Add(u"d");
    a.InsertAt(1, u"b");
    a.InsertAt(2, u"c", 2);
    EXPECT_EQ(Items(a), (V{u"a", u"b", u"c", u"c", u"d"}));
    a.RemoveAt(2);
    a.RemoveAt(3, 1);
    EXPECT_EQ(Items(a), (V{u"a", u"b", u"c"}));
    a.InsertAt(5, u"z");  // past the end: the gap is filled with empty strings
    EXPECT_EQ(Items(a), (V{u"a", u"b", u"c", u"", u"", u"z"}));
    a.InsertAt(0, a[2]);  // the value may come from the array itself
    EXPECT_EQ(a[0], u"c");

    CStringArray b;
    b.Add(u"x");
    b.Add(u"y");
    EXPECT_EQ(a.Append(b), 7);
    EXPECT_EQ(a.GetSize(), 9);
    EXPECT_EQ(a[8], u"y");
    b.Copy(a);
    EXPECT_EQ(Items(b), Items(a));
    b.SetAt(0, u"changed");
    EXPECT_EQ(a[0], u"c");  // copies are independent
    a.InsertAt(1, &b);
    EXPECT_EQ(a.GetSize(), 18);
    EXPECT_EQ(a[1], u"changed");
    EXPECT_EQ(a[0], u"c");
    EXPECT_EQ(a[10], u"a");
}

TEST(CollectionsTest, UIntArray) {
    CUIntArray a;
    a.SetSize(3);
    EXPECT_EQ(a[0], 0u);
    a[1] = 7;
    a.Add(9);
    a.InsertAt(0, 1u, 2);
    std::vector<UINT> seen(a.begin(), a.end());
    EXPECT_EQ(seen, (std::vector<UINT>{1, 1, 0, 7, 0, 9}));
    EXPECT_EQ(a.GetData()[3], 7u);
    EXPECT_TRUE(ThrowsInvalidArg([&] { a.GetAt(6); }));
}

TEST(CollectionsTest, StringListOrderAndIteration) {
    CStringList list;
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    POSITION b = list.AddTail(u"b");
    list.AddTail(CString(u"c"));
    list.AddHead(u"a");
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(Forward(list), (V{u"a", u"b", u"c"}));
    EXPECT_EQ(Backward(list), (V{u"c", u"b", u"a"}));
    EXPECT_EQ(list.GetAt(b), u"b");
    EXPECT_EQ(list.GetHead(), u"a");
    EXPECT_EQ(list.GetTail(), u"c");

    list.InsertBefore(b, u"a2");
    list.InsertAfter(b, u"b2");
    list.InsertBefore(nullptr, u"first");
    list.InsertAfter(nullptr, u"last");
    EXPECT_EQ(Forward(list), (V{u"first", u"a", u"a2", u"b", u"b2", u"c", u"last"}));
    list.SetAt(b, u"B");
    EXPECT_EQ(list.GetAt(list.FindIndex(3)), u"B");
    EXPECT_EQ(list.FindIndex(7), nullptr);
    EXPECT_EQ(list.FindIndex(-1), nullptr);
}

TEST(CollectionsTest, StringListRemoval) {
    CStringList list;
    for (const char16_t* s : {u"x", u"keep", u"x", u"keep", u"x"}) list.AddTail(s);
    // The MFC idiom: remember the position before GetNext moves past it.
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        POSITION current = pos;
        if (list.GetNext(pos) == u"x") list.RemoveAt(current);
    }
    EXPECT_EQ(Forward(list), (V{u"keep", u"keep"}));
    EXPECT_EQ(Backward(list), (V{u"keep", u"keep"}));

    list.AddHead(u"h");
    list.AddTail(u"t");
    EXPECT_EQ(list.RemoveHead(), u"h");
    EXPECT_EQ(list.RemoveTail(), u"t");
    EXPECT_EQ(list.GetCount(), 2);
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetTailPosition(), nullptr);
    EXPECT_TRUE(ThrowsInvalidArg([&] { list.GetHead(); }));
    EXPECT_TRUE(ThrowsInvalidArg([&] { list.RemoveTail(); }));
    list.AddTail(u"again");
    EXPECT_EQ(Forward(list), (V{u"again"}));
}

TEST(CollectionsTest, StringListFindAndCopy) {
    CStringList list(4);
    list.AddTail(u"a");
    POSITION second = list.AddTail(u"b");
    list.AddTail(u"A");
    POSITION fourth = list.AddTail(u"b");
    EXPECT_EQ(list.Find(u"b"), second);
    EXPECT_EQ(list.Find(u"b", second), fourth);
    EXPECT_EQ(list.Find(u"b", fourth), nullptr);
    EXPECT_EQ(list.GetAt(list.Find(u"A")), u"A");  // exact: "a" does not match
    EXPECT_EQ(list.Find(u"missing"), nullptr);

    CStringList copy(list);
    copy.GetHead() = u"changed";
    EXPECT_EQ(list.GetHead(), u"a");
    copy = list;
    EXPECT_EQ(Forward(copy), Forward(list));
    list.AddTail(&list);  // appending a list to itself doubles it
    EXPECT_EQ(list.GetCount(), 8);
    copy.AddHead(&list);
    EXPECT_EQ(copy.GetCount(), 12);
    EXPECT_EQ(copy.GetHead(), u"a");
    EXPECT_EQ(copy.GetAt(copy.FindIndex(8)), u"a");
}
