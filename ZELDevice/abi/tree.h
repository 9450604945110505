// A generic n-ary tree of values, the container of the device file tree.
//
// Every node holds its parent, first child, last child, previous and next
// sibling, then its value. The tree owns two sentinel nodes, head and foot,
// that bracket the top-level sibling list, so that end() is a real position
// and insertion before end() appends a top-level node.
//
// Children can be found by key without walking the sibling list: when
// tree_key_traits<T> is specialised with indexed = true, a node with many
// children keeps a hash table of its children by the hash of their keys. The index is built on the
// first look-up and kept in step by append_child and erase; an insertion
// before a child drops it (it is rebuilt on the next look-up, so the order of
// equal keys stays the sibling order). A value whose key is changed in place
// must be announced with key_changed().
#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

// Which values can be found among their siblings by key. A specialisation sets
// indexed to true and provides key_type and three static functions:
//   size_t hash(const T&)                       the hash of the value's key
//   size_t hash_key(const key_type&)            the same hash of a key
//   bool matches(const T&, const key_type&)     the value's key is key
template <class T>
struct tree_key_traits {
    static constexpr bool indexed = false;  // values of T are not found by key
};

template <class T>
class tree_node_;

// The key type of an indexed value; a placeholder for values without a key.
struct tree_no_key {
    bool operator==(const tree_no_key&) const = default;  // every placeholder equals every other
};
// The key type of T: tree_no_key for values without a key.
template <class T, bool Indexed = tree_key_traits<T>::indexed>
struct tree_key_type {
    using type = tree_no_key;  // no key
};
// The key type of an indexed T: what its tree_key_traits name.
template <class T>
struct tree_key_type<T, true> {
    using type = typename tree_key_traits<T>::key_type;  // tree_key_traits<T>::key_type
};

// The hash of one node's children by key; empty for values without a key.
template <class T, bool Indexed = tree_key_traits<T>::indexed>
struct tree_child_index {};

template <class T>
struct tree_child_index<T, true> {
    // The children whose keys have one hash, in sibling order; first is null
    // in an empty slot.
    struct bucket {
        std::size_t hash = 0;
        tree_node_<T>* first = nullptr;
        std::vector<tree_node_<T>*> more;
    };

    // Open addressing with linear probing over a power-of-two table kept at
    // most half full, so that a look-up touches one or two slots.
    bucket* find(std::size_t hash) {
        if (slots.empty()) return nullptr;
        for (std::size_t i = home(hash);; i = (i + 1) & mask()) {
            if (slots[i].first == nullptr) return nullptr;
            if (slots[i].hash == hash) return &slots[i];
        }
    }
    // The bucket of hash, made empty when there is none.
    bucket& find_or_add(std::size_t hash) {
        if ((used + 1) * 2 > slots.size()) grow(slots.empty() ? 16 : slots.size() * 2);
        std::size_t i = home(hash);
        for (; slots[i].first != nullptr; i = (i + 1) & mask())
            if (slots[i].hash == hash) return slots[i];
        slots[i].hash = hash;
        ++used;
        return slots[i];
    }
    void add(std::size_t hash, tree_node_<T>* node) {
        bucket& b = find_or_add(hash);
        if (b.first == nullptr)
            b.first = node;
        else
            b.more.push_back(node);
    }
    // Empties a slot and moves later slots of its probe run back into the gap.
    void erase(bucket* b) {
        std::size_t gap = static_cast<std::size_t>(b - slots.data());
        for (std::size_t j = (gap + 1) & mask(); slots[j].first != nullptr; j = (j + 1) & mask()) {
            std::size_t want = home(slots[j].hash);
            // The slot at j may fill the gap unless its home lies after the gap, up to j.
            bool stays = gap <= j ? (gap < want && want <= j) : (gap < want || want <= j);
            if (!stays) {
                slots[gap] = std::move(slots[j]);
                gap = j;
            }
        }
        slots[gap] = bucket();
        --used;
    }
    void reserve(std::size_t count) {
        std::size_t size = 16;
        while (size < count * 2) size *= 2;
        if (size > slots.size()) grow(size);
    }

    std::vector<bucket> slots;
    std::size_t used = 0;

private:
    std::size_t mask() const { return slots.size() - 1; }
    std::size_t home(std::size_t hash) const { return (hash * 0x9E3779B97F4A7C15ull) >> shift; }
    void grow(std::size_t size) {
        std::vector<bucket> old = std::move(slots);
        slots.assign(size, bucket());
        shift = 64;
        for (std::size_t s = size; s > 1; s >>= 1) --shift;
        for (bucket& b : old) {
            if (b.first == nullptr) continue;
            std::size_t i = home(b.hash);
            while (slots[i].first != nullptr) i = (i + 1) & mask();
            slots[i] = std::move(b);
        }
    }
    unsigned shift = 64;
};

// One node of a tree: its links and its value. Nodes belong to their tree.
template <class T>
class tree_node_ {
public:
    tree_node_() = default;                                       // a sentinel: no value
    explicit tree_node_(const T& value) : data(value) {}          // a node holding a copy of value
    explicit tree_node_(T&& value) : data(std::move(value)) {}    // a node taking value
    tree_node_(const tree_node_&) = delete;
    tree_node_& operator=(const tree_node_&) = delete;

    tree_node_* parent = nullptr;        // null at the top level
    tree_node_* first_child = nullptr;   // null without children
    tree_node_* last_child = nullptr;    // null without children
    tree_node_* prev_sibling = nullptr;  // null for the first child (the head sentinel at the top level)
    tree_node_* next_sibling = nullptr;  // null for the last child (the foot sentinel at the top level)
    T data;                              // the value

    std::size_t child_count = 0;         // number of children
    std::unique_ptr<tree_child_index<T>> index;  // children by key, built on demand
};

// The tree: see the top of this file.
template <class T>
class tree {
public:
    using value_type = T;                              // the values held
    using tree_node = tree_node_<T>;                   // a node
    using key_type = typename tree_key_type<T>::type;  // what children are found by

    // Nodes with fewer children are searched by walking them.
    static constexpr std::size_t index_threshold = 8;

    class sibling_iterator;

    // A position in the tree: a node, or null. Two positions are equal when
    // they name the same node, whatever their kind.
    class iterator_base {
    public:
        using value_type = T;                                       // the values held
        using reference = T&;                                       // a value
        using pointer = T*;                                         // the address of a value
        using difference_type = std::ptrdiff_t;                     // distance between positions
        using iterator_category = std::bidirectional_iterator_tag;  // forwards and backwards

        iterator_base() = default;                        // the null position
        explicit iterator_base(tree_node* n) : node(n) {}  // the position of node n

        T& operator*() const { return node->data; }    // the value at this position
        T* operator->() const { return &node->data; }  // the value at this position
        bool operator==(const iterator_base& other) const { return node == other.node; }  // same node

        // The next pre-order step passes over this node's children.
        void skip_children(bool skip = true) { skip_current_children_ = skip; }
        // Number of children of this node (0 for the null position).
        std::size_t number_of_children() const { return node ? node->child_count : 0; }
        // The children of this node.
        sibling_iterator begin() const { return sibling_iterator(node ? node->first_child : nullptr, node); }
        sibling_iterator end() const { return sibling_iterator(nullptr, node); }  // after the last child

        tree_node* node = nullptr;  // the node, null for no position

    protected:
        bool skip_current_children_ = false;  // the next pre-order step skips the children
    };

    // Depth-first walk: a node, then its children.
    class pre_order_iterator : public iterator_base {
    public:
        pre_order_iterator() = default;                                     // the null position
        explicit pre_order_iterator(tree_node* n) : iterator_base(n) {}  // the position of node n
        // Implicit: a child position is also a pre-order position.
        pre_order_iterator(const sibling_iterator& other) : iterator_base(other.node) {}

        // The next node in pre-order: the first child (unless skip_children was
        // asked for), else the next sibling of this node or of the nearest parent
        // that has one, else null.
        pre_order_iterator& operator++() {
            tree_node* n = this->node;
            if (!this->skip_current_children_ && n->first_child) {
                this->node = n->first_child;
                return *this;
            }
            this->skip_current_children_ = false;
            while (n->next_sibling == nullptr) {
                n = n->parent;
                if (n == nullptr) {
                    this->node = nullptr;
                    return *this;
                }
            }
            this->node = n->next_sibling;
            return *this;
        }
        // Steps forward; answers the position before the step.
        pre_order_iterator operator++(int) {
            pre_order_iterator before = *this;
            ++*this;
            return before;
        }
        // The previous node in pre-order: the deepest last descendant of the
        // previous sibling, else the parent.
        pre_order_iterator& operator--() {
            tree_node* n = this->node;
            if (n->prev_sibling) {
                n = n->prev_sibling;
                while (n->last_child) n = n->last_child;
                this->node = n;
            } else {
                this->node = n->parent;
            }
            return *this;
        }
        // Steps back; answers the position before the step.
        pre_order_iterator operator--(int) {
            pre_order_iterator before = *this;
            --*this;
            return before;
        }
    };

    // The children of one node: begin is the first child, end is null.
    class sibling_iterator : public iterator_base {
    public:
        sibling_iterator() = default;  // the null position
        // Node n among the children of parentNode (n null: after the last child).
        sibling_iterator(tree_node* n, tree_node* parentNode) : iterator_base(n), parent_(parentNode) {}
        // Implicit: a pre-order position is a place among its siblings.
        sibling_iterator(const pre_order_iterator& other)
            : iterator_base(other.node), parent_(other.node ? other.node->parent : nullptr) {}

        // The next sibling (null after the last).
        sibling_iterator& operator++() {
            if (this->node) this->node = this->node->next_sibling;
            return *this;
        }
        // Steps forward; answers the position before the step.
        sibling_iterator operator++(int) {
            sibling_iterator before = *this;
            ++*this;
            return before;
        }
        // The previous sibling; from after the last child, the last child.
        sibling_iterator& operator--() {
            if (this->node)
                this->node = this->node->prev_sibling;
            else if (parent_)
                this->node = parent_->last_child;
            return *this;
        }
        // Steps back; answers the position before the step.
        sibling_iterator operator--(int) {
            sibling_iterator before = *this;
            --*this;
            return before;
        }
        // The node whose children this iterator walks.
        tree_node* range_parent() const { return parent_; }

    private:
        tree_node* parent_ = nullptr;
    };

    using iterator = pre_order_iterator;  // the default walk

    tree() { init_(); }  // an empty tree
    // A tree of one top-level node holding top.
    explicit tree(const T& top) {
        init_();
        insert(end(), top);
    }
    // A deep copy of other.
    tree(const tree& other) {
        init_();
        copy_(other);
    }
    // Replaces every node by a deep copy of other's.
    tree& operator=(const tree& other) {
        if (this != &other) {
            clear();
            copy_(other);
        }
        return *this;
    }
    ~tree() {
        clear();
        delete head;
        delete foot;
    }

    // The first top-level node (end() when the tree is empty).
    pre_order_iterator begin() const { return pre_order_iterator(head->next_sibling); }
    // After the last top-level node.
    pre_order_iterator end() const { return pre_order_iterator(foot); }
    // The children of a node.
    static sibling_iterator begin(const iterator_base& position) { return position.begin(); }
    static sibling_iterator end(const iterator_base& position) { return position.end(); }  // after them

    bool empty() const { return head->next_sibling == foot; }  // no node at all
    // Number of nodes.
    std::size_t size() const {
        std::size_t count = 0;
        for (pre_order_iterator it = begin(); it != end(); ++it) ++count;
        return count;
    }
    // A position that holds a value of this tree (not a sentinel, not null).
    bool is_valid(const iterator_base& position) const {
        return position.node != nullptr && position.node != head && position.node != foot;
    }
    // Number of parent steps from the node to the top level.
    static int depth(const iterator_base& position) {
        int steps = 0;
        for (tree_node* n = position.node; n && n->parent; n = n->parent) ++steps;
        return steps;
    }
    // The parent of position (null at the top level).
    template <class Iter>
    static Iter parent(const Iter& position) {
        return Iter(position.node->parent);
    }

    // Inserts a value as the sibling before position (end() appends at the top level).
    template <class Iter>
    Iter insert(const Iter& position, const T& value) {  // answers the new node
        tree_node* next = position.node;
        tree_node* made = new tree_node(value);
        made->parent = next->parent;
        made->next_sibling = next;
        made->prev_sibling = next->prev_sibling;
        next->prev_sibling = made;
        if (made->prev_sibling)
            made->prev_sibling->next_sibling = made;
        else if (made->parent)
            made->parent->first_child = made;
        if (made->parent) {
            ++made->parent->child_count;
            made->parent->index.reset();
        }
        return Iter(made);
    }
    // Inserts a value before position among its siblings; at the end of a child
    // range, appends it to the range's parent.
    sibling_iterator insert(const sibling_iterator& position, const T& value) {
        if (position.node) return sibling_iterator(insert(pre_order_iterator(position.node), value).node, position.range_parent());
        // The end of a child range: append to its parent.
        return sibling_iterator(append_node_(position.range_parent(), value), position.range_parent());
    }

    // Appends a value as the last child of position.
    template <class Iter>
    Iter append_child(const Iter& position, const T& value) {
        return Iter(append_node_(position.node, value));
    }
    // Appends a value, moved in, as the last child of position.
    template <class Iter>
    Iter append_child(const Iter& position, T&& value) {
        return Iter(append_node_(position.node, std::move(value)));
    }

    // Removes the node with its whole subtree; answers the position that
    // followed the subtree in pre-order.
    template <class Iter>
    Iter erase(const Iter& position) {
        tree_node* n = position.node;
        pre_order_iterator after(n);
        after.skip_children();
        ++after;
        unlink_(n);
        destroy_(n);
        return Iter(after.node);
    }
    // Removes the node with its whole subtree; answers its next sibling.
    sibling_iterator erase(const sibling_iterator& position) {
        tree_node* next = position.node->next_sibling;
        tree_node* parentNode = position.node->parent;
        unlink_(position.node);
        destroy_(position.node);
        return sibling_iterator(next, parentNode);
    }
    // Removes every child of position with their subtrees.
    void erase_children(const iterator_base& position) {
        tree_node* n = position.node;
        tree_node* child = n->first_child;
        while (child) {
            tree_node* next = child->next_sibling;
            destroy_(child);
            child = next;
        }
        n->first_child = n->last_child = nullptr;
        n->child_count = 0;
        n->index.reset();
    }
    // Removes every node.
    void clear() {
        while (head->next_sibling != foot) erase(pre_order_iterator(head->next_sibling));
    }

    // The first child of position whose key is key; end(position) when none.
    sibling_iterator find_child(const iterator_base& position, const key_type& key) const {
        return find_child_if(position, key, [](const T&) { return true; });
    }
    // The first child of position whose key is key and whose value satisfies pred.
    template <class Pred>
    sibling_iterator find_child_if(const iterator_base& position, const key_type& key,
                                   Pred pred) const {
        using traits = tree_key_traits<T>;
        tree_node* p = position.node;
        if (p->child_count < index_threshold) {
            for (tree_node* c = p->first_child; c; c = c->next_sibling)
                if (traits::matches(c->data, key) && pred(c->data)) return sibling_iterator(c, p);
            return sibling_iterator(nullptr, p);
        }
        if (!p->index) build_index_(p);
        auto* found = p->index->find(traits::hash_key(key));
        if (found == nullptr) return sibling_iterator(nullptr, p);
        // Equal hashes of different keys share a bucket: each candidate is checked.
        if (traits::matches(found->first->data, key) && pred(found->first->data))
            return sibling_iterator(found->first, p);
        for (tree_node* c : found->more)
            if (traits::matches(c->data, key) && pred(c->data)) return sibling_iterator(c, p);
        return sibling_iterator(nullptr, p);
    }
    // Announces that the key of the value at position changed in place.
    void key_changed(const iterator_base& position) {
        if (position.node && position.node->parent) position.node->parent->index.reset();
    }

private:
    void init_() {
        head = new tree_node();
        foot = new tree_node();
        head->next_sibling = foot;
        foot->prev_sibling = head;
    }

    template <class V>
    tree_node* append_node_(tree_node* parentNode, V&& value) {
        tree_node* made = new tree_node(std::forward<V>(value));
        made->parent = parentNode;
        made->prev_sibling = parentNode->last_child;
        if (parentNode->last_child)
            parentNode->last_child->next_sibling = made;
        else
            parentNode->first_child = made;
        parentNode->last_child = made;
        ++parentNode->child_count;
        if constexpr (tree_key_traits<T>::indexed) {
            if (parentNode->index) parentNode->index->add(tree_key_traits<T>::hash(made->data), made);
        }
        return made;
    }

    // Takes a node out of its sibling list (its subtree stays attached to it).
    void unlink_(tree_node* n) {
        tree_node* parentNode = n->parent;
        if (n->prev_sibling)
            n->prev_sibling->next_sibling = n->next_sibling;
        else if (parentNode)
            parentNode->first_child = n->next_sibling;
        if (n->next_sibling)
            n->next_sibling->prev_sibling = n->prev_sibling;
        else if (parentNode)
            parentNode->last_child = n->prev_sibling;
        if (parentNode) {
            --parentNode->child_count;
            if constexpr (tree_key_traits<T>::indexed) unindex_(parentNode, n);
        }
        n->parent = n->prev_sibling = n->next_sibling = nullptr;
    }

    void unindex_(tree_node* parentNode, tree_node* n) {
        if constexpr (tree_key_traits<T>::indexed) {
            if (!parentNode->index) return;
            auto* slot = parentNode->index->find(tree_key_traits<T>::hash(n->data));
            if (slot != nullptr) {
                if (slot->first == n) {
                    if (slot->more.empty()) {
                        parentNode->index->erase(slot);
                    } else {
                        slot->first = slot->more.front();
                        slot->more.erase(slot->more.begin());
                    }
                    return;
                }
                for (auto it = slot->more.begin(); it != slot->more.end(); ++it) {
                    if (*it == n) {
                        slot->more.erase(it);
                        return;
                    }
                }
            }
            // The key changed since the node was indexed: start afresh.
            parentNode->index.reset();
        }
    }

    static void build_index_(tree_node* p) {
        if constexpr (tree_key_traits<T>::indexed) {
            p->index = std::make_unique<tree_child_index<T>>();
            p->index->reserve(p->child_count);
            for (tree_node* c = p->first_child; c; c = c->next_sibling) p->index->add(tree_key_traits<T>::hash(c->data), c);
        }
    }

    static void destroy_(tree_node* n) {
        tree_node* child = n->first_child;
        while (child) {
            tree_node* next = child->next_sibling;
            destroy_(child);
            child = next;
        }
        delete n;
    }

    void copy_children_(tree_node* to, const tree_node* from) {
        for (const tree_node* c = from->first_child; c; c = c->next_sibling) copy_children_(append_node_(to, c->data), c);
    }
    void copy_(const tree& other) {
        for (tree_node* n = other.head->next_sibling; n != other.foot; n = n->next_sibling) {
            pre_order_iterator made = insert(end(), n->data);
            copy_children_(made.node, n);
        }
    }

    tree_node* head = nullptr;
    tree_node* foot = nullptr;
};
