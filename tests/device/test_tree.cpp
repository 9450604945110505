// The tree container: shape, traversal, erasure, copying, and the look-up of
// children by key checked against a plain walk.
#include <random>
#include <set>

#include "device_fixture.h"

// Values whose key hashes collide whenever the lengths are equal, so that one
// hash bucket holds children with different keys.
struct Tagged { std::u16string name; };
template <>
struct tree_key_traits<Tagged> {
    static constexpr bool indexed = true;
    using key_type = std::u16string;
    static size_t hash(const Tagged& value) { return value.name.size(); }
    static size_t hash_key(const key_type& key) { return key.size(); }
    static bool matches(const Tagged& value, const key_type& key) { return value.name == key; }
};

namespace {

using IntTree = tree<int>;

// The values, or the depths, of the whole tree in pre-order.
std::vector<int> PreOrder(const IntTree& t, bool depths = false) {
    std::vector<int> values;
    for (auto it = t.begin(); it != t.end(); ++it) values.push_back(depths ? IntTree::depth(it) : *it);
    return values;
}

std::vector<int> Children(IntTree::pre_order_iterator node) {
    std::vector<int> values;
    for (auto c = node.begin(); c != node.end(); ++c) values.push_back(*c);
    return values;
}

TEST(TreeContainer, WalksEditsAndDeepCopies) {
    IntTree t;  // 1 ( 2 ( 4 5 ) 3 ( 6 ) ), then a second top-level 7
    auto one = t.insert(t.end(), 1);
    auto two = t.append_child(one, 2);
    t.append_child(t.append_child(one, 3), 6);
    t.append_child(two, 4);
    t.append_child(two, 5);
    t.insert(t.end(), 7);
    EXPECT_EQ(PreOrder(t), (std::vector<int>{1, 2, 4, 5, 3, 6, 7}));
    EXPECT_EQ(PreOrder(t, true), (std::vector<int>{0, 1, 2, 2, 1, 2, 0}));
    EXPECT_EQ(t.size(), 7u);
    std::vector<int> back;  // walking back gives the same order reversed
    for (auto it = t.end(); it != t.begin();) back.push_back(*--it);
    EXPECT_EQ(back, (std::vector<int>{7, 6, 3, 5, 4, 2, 1}));

    auto it = ++t.begin();  // 2
    it.skip_children();
    EXPECT_EQ(*++it, 3);
    EXPECT_EQ(*++it, 6);  // the flag holds for one step only

    EXPECT_EQ(Children(one), (std::vector<int>{2, 3}));
    auto last = --one.end();  // from the end of a range to its last child
    EXPECT_EQ(*last, 3);
    EXPECT_EQ(*IntTree::parent(IntTree::pre_order_iterator(last)), 1);
    EXPECT_EQ(IntTree::parent(one).node, nullptr);

    const IntTree original = t;
    t.insert(one.begin(), 0);        // before the first child: becomes the first child
    t.insert(++(++one.begin()), 9);  // between 2 and 3
    t.insert(one.end(), 10);         // the end of a range appends
    EXPECT_EQ(Children(one), (std::vector<int>{0, 2, 9, 3, 10}));
    EXPECT_EQ(one.number_of_children(), 5u);
    EXPECT_EQ(one.node->last_child->data, 10);
    EXPECT_EQ(one.node->first_child->prev_sibling, nullptr);

    t = original;  // assignment replaces the whole tree
    EXPECT_EQ(PreOrder(t, true), PreOrder(original, true));
    one = t.begin();
    auto next = t.erase(++t.begin());  // 2 with its children
    EXPECT_EQ(*next, 3);
    EXPECT_EQ(PreOrder(t), (std::vector<int>{1, 3, 6, 7}));
    EXPECT_EQ(one.node->last_child->data, 3);
    t.erase(IntTree::pre_order_iterator(one.begin().begin()));  // 6, the last child: its parent's moves back
    EXPECT_EQ(one.begin().number_of_children(), 0u);
    EXPECT_EQ(one.begin().node->last_child, nullptr);
    t.erase_children(one);
    EXPECT_EQ(PreOrder(t), (std::vector<int>{1, 7}));
    EXPECT_EQ(PreOrder(original), (std::vector<int>{1, 2, 4, 5, 3, 6, 7}));  // the copy was deep
    t.clear();
    EXPECT_TRUE(t.empty() && t.begin() == t.end());
}

// The index answers what walking the children in order answers: the first
// child with the name (without regard to case), whatever the edits before; a
// predicate skips earlier matches.
TEST(TreeIndex, FindsWhatAWalkFindsThroughRandomEdits) {
    tree<CZEL_File> t;
    auto root = t.insert(t.end(), Entry(u"Root", true));
    for (int k = 0; k < 20; ++k) t.append_child(root, Entry(u"x" + std::u16string(1, char16_t(u'a' + k))));
    auto file = t.append_child(root, Entry(u"Music"));
    auto folder = t.append_child(root, Entry(u"MUSIC", true));
    auto isFolder = [](const CZEL_File& f) { return f.IsFolder() != 0; };
    EXPECT_EQ(t.find_child(root, u"music").node, file.node);
    EXPECT_EQ(t.find_child_if(root, u"music", isFolder).node, folder.node);
    t.erase(file);
    EXPECT_EQ(t.find_child(root, u"music").node, folder.node);
    EXPECT_EQ(t.find_child(root, u"none").node, nullptr);

    std::vector<std::u16string> names = {u"a.mp3", u"A.MP3", u"b.mp3", u"Music", u"music", u"c", u"Ü", u"ü"};
    for (int k = 0; k < 600; ++k)  // enough names for long probe runs in the index
        names.push_back(ZelFormat(k % 2 ? u"TRACK%03d.MP3" : u"track%03d.mp3", k / 2));
    std::mt19937 random(7);

    auto walk = [&](const std::u16string& name) -> tree<CZEL_File>::tree_node* {
        std::u16string key = CZEL_File::FoldName(name.c_str());
        for (auto c = root.begin(); c != root.end(); ++c)
            if (CZEL_File::FoldName(c->Name) == key) return c.node;
        return nullptr;
    };
    for (int k = 0; k < 300; ++k) t.append_child(root, Entry(names[random() % names.size()]));
    for (int step = 0; step < 20000; ++step) {
        const std::u16string& name = names[random() % names.size()];
        const unsigned op = random() % 100;
        const size_t count = root.number_of_children();
        if (op < 50 || count == 0) {
            t.append_child(root, Entry(name));
        } else if (op < 90) {
            auto victim = root.begin();
            for (size_t k = random() % count; k > 0; --k) ++victim;
            t.erase(victim);
        } else if (op < 99) {
            t.insert(root.begin(), Entry(name));
        } else {  // a rename in place, announced
            root.begin()->SetName(name.c_str());
            t.key_changed(root.begin());
        }
        const std::u16string& probe = names[random() % names.size()];
        ASSERT_EQ(t.find_child(root, CZEL_File::FoldName(probe.c_str())).node, walk(probe)) << "step " << step;
    }
    EXPECT_GE(root.number_of_children(), tree<CZEL_File>::index_threshold);
}

// Colliding hashes still find the right child. The table behind the index on
// its own: a small table where probe runs wrap around its end, filled and
// emptied at random, against a plain set.
TEST(TreeIndex, CollidingHashesAndAWrappingTable) {
    tree<Tagged> tagged;
    auto top = tagged.insert(tagged.end(), Tagged{u"root"});
    std::vector<tree<Tagged>::tree_node*> nodes;
    for (char16_t a = u'a'; a < u'f'; ++a)
        for (char16_t b = u'a'; b < u'f'; ++b) nodes.push_back(tagged.append_child(top, Tagged{{a, b}}).node);
    EXPECT_EQ(tagged.find_child(top, u"cd").node, nodes[2 * 5 + 3]);
    EXPECT_EQ(tagged.find_child(top, u"zz").node, nullptr);
    tagged.erase(tree<Tagged>::sibling_iterator(nodes[0], top.node));  // "aa", first of the shared bucket
    EXPECT_EQ(tagged.find_child(top, u"aa").node, nullptr);
    EXPECT_EQ(tagged.find_child(top, u"ab").node, nodes[1]);
    auto again = tagged.append_child(top, Tagged{u"ab"});
    EXPECT_EQ(tagged.find_child(top, u"ab").node, nodes[1]);  // the earlier sibling still wins
    tagged.erase(tree<Tagged>::sibling_iterator(nodes[1], top.node));
    EXPECT_EQ(tagged.find_child(top, u"ab").node, again.node);

    tree_child_index<Tagged> index;
    std::vector<tree_node_<Tagged>> entries(64);
    std::set<size_t> present;
    std::mt19937_64 random(5);
    for (int step = 0; step < 20000; ++step) {
        size_t hash = random() % 40 * 0x0123456789ABCDEFull;
        if (present.count(hash)) {
            index.erase(index.find(hash));
            present.erase(hash);
        } else if (present.size() < 7) {
            index.add(hash, &entries[hash % 64]);
            present.insert(hash);
        }
        ASSERT_EQ(index.used, present.size());
        for (size_t probe = 0; probe < 40 * 0x0123456789ABCDEFull; probe += 0x0123456789ABCDEFull)
            ASSERT_EQ(index.find(probe) != nullptr, present.count(probe) == 1) << "step " << step;
    }
    EXPECT_EQ(index.slots.size(), 16u);
}

}  // namespace
