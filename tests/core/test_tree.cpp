// The tree container: shape, traversal, erasure, copying, and the look-up of
// children by key checked against a plain walk.
#include <random>
#include <set>

#include "core_fixture.h"

// Values whose key hashes collide whenever the lengths are equal, so that one
// hash bucket holds children with different keys.
struct Tagged {
    std::u16string name;
};
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

std::vector<int> PreOrder(const IntTree& t) {
    std::vector<int> values;
    for (auto it = t.begin(); it != t.end(); ++it) values.push_back(*it);
    return values;
}

std::vector<int> Depths(const IntTree& t) {
    std::vector<int> depths;
    for (auto it = t.begin(); it != t.end(); ++it) depths.push_back(IntTree::depth(it));
    return depths;
}

// 1 ( 2 ( 4 5 ) 3 ( 6 ) ), then a second top-level 7.
IntTree Sample() {
    IntTree t;
    auto one = t.insert(t.end(), 1);
    auto two = t.append_child(one, 2);
    auto three = t.append_child(one, 3);
    t.append_child(two, 4);
    t.append_child(two, 5);
    t.append_child(three, 6);
    t.insert(t.end(), 7);
    return t;
}

TEST(TreeContainer, PreOrderWalksDepthFirstWithDepths) {
    IntTree t = Sample();
    EXPECT_EQ(PreOrder(t), (std::vector<int>{1, 2, 4, 5, 3, 6, 7}));
    EXPECT_EQ(Depths(t), (std::vector<int>{0, 1, 2, 2, 1, 2, 0}));
    EXPECT_EQ(t.size(), 7u);

    // Walking back gives the same order reversed.
    std::vector<int> back;
    auto it = t.end();
    do {
        --it;
        back.push_back(*it);
    } while (it != t.begin());
    EXPECT_EQ(back, (std::vector<int>{7, 6, 3, 5, 4, 2, 1}));
}

TEST(TreeContainer, SkippingChildrenPassesOverASubtree) {
    IntTree t = Sample();
    auto it = t.begin();
    ++it;  // 2
    it.skip_children();
    ++it;
    EXPECT_EQ(*it, 3);
    ++it;  // the flag holds for one step only
    EXPECT_EQ(*it, 6);
}

TEST(TreeContainer, SiblingsAndParents) {
    IntTree t = Sample();
    auto one = t.begin();
    std::vector<int> children;
    for (auto c = one.begin(); c != one.end(); ++c) children.push_back(*c);
    EXPECT_EQ(children, (std::vector<int>{2, 3}));
    EXPECT_EQ(one.number_of_children(), 2u);

    auto last = one.end();
    --last;  // from the end of a range to its last child
    EXPECT_EQ(*last, 3);
    EXPECT_EQ(*IntTree::parent(IntTree::pre_order_iterator(last)), 1);
    EXPECT_EQ(IntTree::parent(one).node, nullptr);
}

TEST(TreeContainer, InsertBeforeAChildKeepsLinksWhole) {
    IntTree t = Sample();
    auto one = t.begin();
    auto first = one.begin();
    t.insert(first, 0);  // before the first child: becomes the first child
    auto three = one.begin();
    ++three;
    ++three;
    t.insert(three, 9);  // between 2 and 3
    t.insert(one.end(), 10);  // the end of a range appends
    std::vector<int> children;
    for (auto c = one.begin(); c != one.end(); ++c) children.push_back(*c);
    EXPECT_EQ(children, (std::vector<int>{0, 2, 9, 3, 10}));
    EXPECT_EQ(one.number_of_children(), 5u);
    EXPECT_EQ(one.node->last_child->data, 10);
    EXPECT_EQ(one.node->first_child->prev_sibling, nullptr);
}

TEST(TreeContainer, EraseRemovesTheSubtreeAndAnswersWhatFollowed) {
    IntTree t = Sample();
    auto two = t.begin();
    ++two;
    auto next = t.erase(two);
    EXPECT_EQ(*next, 3);
    EXPECT_EQ(PreOrder(t), (std::vector<int>{1, 3, 6, 7}));
    auto one = t.begin();
    EXPECT_EQ(one.node->first_child->data, 3);
    EXPECT_EQ(one.node->last_child->data, 3);
    EXPECT_EQ(one.number_of_children(), 1u);

    // The last child of a node: its parent's last child moves back.
    auto six = one.begin().begin();
    t.erase(IntTree::pre_order_iterator(six));
    EXPECT_EQ(one.begin().number_of_children(), 0u);
    EXPECT_EQ(one.begin().node->last_child, nullptr);

    t.erase_children(one);
    EXPECT_EQ(PreOrder(t), (std::vector<int>{1, 7}));
    t.clear();
    EXPECT_TRUE(t.empty());
    EXPECT_EQ(t.begin(), t.end());
}

TEST(TreeContainer, CopiesAreDeep) {
    IntTree original = Sample();
    IntTree copy(original);
    *copy.begin() = 100;
    copy.erase(IntTree::pre_order_iterator(copy.begin().begin()));
    EXPECT_EQ(PreOrder(original), (std::vector<int>{1, 2, 4, 5, 3, 6, 7}));
    EXPECT_EQ(PreOrder(copy), (std::vector<int>{100, 3, 6, 7}));
    IntTree assigned;
    assigned.insert(assigned.end(), 5);
    assigned = original;
    EXPECT_EQ(Depths(assigned), Depths(original));
    EXPECT_EQ(PreOrder(assigned), PreOrder(original));
}

// The index answers what walking the children in order answers: the first
// child with the name (without regard to case), whatever the edits before.
TEST(TreeIndex, FindsWhatAWalkFindsThroughRandomEdits) {
    tree<CZEL_File> t;
    auto root = t.insert(t.end(), Entry(u"Root", true));
    std::vector<std::u16string> names = {u"a.mp3", u"A.MP3", u"b.mp3", u"Music", u"music", u"c", u"Ü", u"ü"};
    for (int k = 0; k < 300; ++k) {  // enough names for long probe runs in the index
        names.push_back(ZelFormat(u"track%03d.mp3", k));
        names.push_back(ZelFormat(u"TRACK%03d.MP3", k));
    }
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
        if (op < 50) {
            t.append_child(root, Entry(name));
        } else if (op < 90) {
            if (root.number_of_children() > 0) {
                auto victim = root.begin();
                for (size_t k = random() % root.number_of_children(); k > 0; --k) ++victim;
                t.erase(victim);
            }
        } else if (op < 99) {
            if (root.number_of_children() > 0) t.insert(root.begin(), Entry(name));
        } else if (root.number_of_children() > 0) {
            // A rename in place, announced.
            auto renamed = root.begin();
            renamed->SetName(name.c_str());
            t.key_changed(renamed);
        }
        const std::u16string& probe = names[random() % names.size()];
        ASSERT_EQ(t.find_child(root, CZEL_File::FoldName(probe.c_str())).node, walk(probe)) << "step " << step;
    }
    EXPECT_GE(root.number_of_children(), tree<CZEL_File>::index_threshold);
}

TEST(TreeIndex, PredicateSkipsEarlierMatches) {
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
}

TEST(TreeIndex, CollidingHashesStillFindTheRightChild) {
    tree<Tagged> t;
    auto root = t.insert(t.end(), Tagged{u"root"});
    std::vector<tree<Tagged>::tree_node*> nodes;
    for (char16_t a = u'a'; a < u'f'; ++a)
        for (char16_t b = u'a'; b < u'f'; ++b) nodes.push_back(t.append_child(root, Tagged{{a, b}}).node);
    EXPECT_EQ(t.find_child(root, u"cd").node, nodes[2 * 5 + 3]);
    EXPECT_EQ(t.find_child(root, u"zz").node, nullptr);
    t.erase(tree<Tagged>::sibling_iterator(nodes[0], root.node));  // "aa", first of the shared bucket
    EXPECT_EQ(t.find_child(root, u"aa").node, nullptr);
    EXPECT_EQ(t.find_child(root, u"ab").node, nodes[1]);
    auto again = t.append_child(root, Tagged{u"ab"});
    EXPECT_EQ(t.find_child(root, u"ab").node, nodes[1]);  // the earlier sibling still wins
    t.erase(tree<Tagged>::sibling_iterator(nodes[1], root.node));
    EXPECT_EQ(t.find_child(root, u"ab").node, again.node);
}

// The table behind the index on its own: a small table where probe runs wrap
// around its end, filled and emptied at random, against a plain set.
TEST(TreeIndex, HashTableKeepsEveryPresentHashReachable) {
    tree_child_index<Tagged> index;
    std::vector<tree_node_<Tagged>> nodes(64);
    std::set<size_t> present;
    std::mt19937_64 random(5);
    for (int step = 0; step < 20000; ++step) {
        size_t hash = random() % 40 * 0x0123456789ABCDEFull;
        if (present.count(hash)) {
            index.erase(index.find(hash));
            present.erase(hash);
        } else if (present.size() < 7) {
            index.add(hash, &nodes[hash % 64]);
            present.insert(hash);
        }
        ASSERT_EQ(index.used, present.size());
        for (size_t k = 0; k < 40; ++k) {
            size_t probe = k * 0x0123456789ABCDEFull;
            ASSERT_EQ(index.find(probe) != nullptr, present.count(probe) == 1) << "step " << step;
        }
    }
    EXPECT_EQ(index.slots.size(), 16u);
}

}  // namespace
