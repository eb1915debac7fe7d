// s_template_ptrList.h -- PtrList: a doubly linked list of element records keyed by 64-bit keys.
//
// Adding an element whose key is present overwrites that element instead of adding a second one.
// Nodes are allocated singly and announced to the memory accounting. GetAt keeps a one-node cursor,
// so walking positions forwards or backwards costs one step per call; random access walks from the
// head. Derived lists say how to get an element's key.
#pragma once

#include <cstdint>

#include "common/s_guard.h"
#include "common/s_strUtil.h"
#include "memsafe/s_mem.h"

template <class E>
class PtrList {
public:
    struct Node {
        E element;  // first, so a node can be read as its record
        Node* prev;
        Node* next;
    };

    PtrList(int32_t level, const char* listName) : notFoundLevel(level) {
        gStrUtil.Set(name, sizeof(name), listName);
    }
    virtual ~PtrList() { Clear(); }
    PtrList(const PtrList&) = delete;
    PtrList& operator=(const PtrList&) = delete;

    virtual int64_t GetKey(const E& element) const = 0;
    virtual bool IsEqual(const E& a, const E& b) const { return GetKey(a) == GetKey(b); }
    virtual bool IsLess(const E& a, const E& b) const { return GetKey(a) < GetKey(b); }

    void Add(const E& element) {
        GUARDED_BEGIN
        for (Node* node = head; node; node = node->next) {
            if (IsEqual(node->element, element)) {
                node->element = element;
                return;
            }
        }
        Node* node = NEW_TRACKED(Node, Node{element, tail, nullptr});
        if (!node)
            return;
        cursorNode = nullptr;
        cursorPos = -1;
        (tail ? tail->next : head) = node;
        tail = node;
        ++count;
        if (autoSort)
            Sort();
        GUARDED_END()
    }

    Node* GetAt(int32_t position) {
        GUARDED_BEGIN
        if (cursorNode && position == cursorPos)
            return cursorNode;
        if (cursorNode && position == cursorPos - 1)
            return Step(cursorNode->prev, position);
        if (cursorNode && position == cursorPos + 1)
            return Step(cursorNode->next, position);
        int32_t index = 0;
        for (Node* node = head; node; node = node->next, ++index) {
            if (index == position)
                return Step(node, position);
        }
        gLog.Write(notFoundLevel, __FILE__, __LINE__, "** Didn't find element at pos: %i in list %s", position,
                   name);
        return nullptr;
        GUARDED_END(nullptr)
    }

    int32_t GetCount() const { return count; }
    Node* First() const { return head; }
    static Node* Next(const Node* node) { return node ? node->next : nullptr; }

    void Clear() {
        GUARDED_BEGIN
        while (head) {
            Node* next = head->next;
            DELETE_TRACKED(head);
            head = next;
            --count;
        }
        tail = nullptr;
        cursorNode = nullptr;
        count = 0;
        cursorPos = -1;
        GUARDED_END()
    }

    // Stable selection sort by key: nodes are relinked, never copied.
    void Sort() {
        GUARDED_BEGIN
        if (count < 2)
            return;
        Node* sortedHead = nullptr;
        Node* sortedTail = nullptr;
        while (head) {
            Node* smallest = head;
            for (Node* node = head->next; node; node = node->next) {
                if (IsLess(node->element, smallest->element))
                    smallest = node;
            }
            Unlink(smallest);
            smallest->prev = sortedTail;
            smallest->next = nullptr;
            (sortedTail ? sortedTail->next : sortedHead) = smallest;
            sortedTail = smallest;
        }
        head = sortedHead;
        tail = sortedTail;
        cursorNode = nullptr;
        cursorPos = -1;
        GUARDED_END()
    }

    int64_t NextId() { return nextId++; }

protected:
    bool autoSort = false;

private:
    Node* Step(Node* node, int32_t position) {
        cursorNode = node;
        cursorPos = node ? position : -1;
        return node;
    }

    void Unlink(Node* node) {
        (node->prev ? node->prev->next : head) = node->next;
        (node->next ? node->next->prev : tail) = node->prev;
    }

    Node* head = nullptr;
    Node* tail = nullptr;
    int32_t count = 0;
    int32_t notFoundLevel;
    char name[40] = {};
    Node* cursorNode = nullptr;
    int32_t cursorPos = 0;
    int64_t nextId = 1;
};
