#include "dui/core/object.h"

namespace tamlo::dui {

struct Object::IntNode {
    TAMLO_POOLED_ALLOCATION
    AttributeKey key;
    int32_t value;
    IntNode* next;
};

struct Object::SizeNode {
    TAMLO_POOLED_ALLOCATION
    AttributeKey key;
    Size value;
    SizeNode* next;
};

struct Object::RectNode {
    TAMLO_POOLED_ALLOCATION
    AttributeKey key;
    Rect value;
    RectNode* next;
};

struct Object::TextNode {
    TAMLO_POOLED_ALLOCATION
    AttributeKey key;
    std::u16string value;
    TextNode* next;
};

namespace {

template <class Node>
Node* findNode(Node* head, AttributeKey key) {
    for (Node* node = head; node != nullptr; node = node->next) {
        if (node->key == key) {
            return node;
        }
    }
    return nullptr;
}

template <class Node, class Value>
void storeValue(Node*& head, AttributeKey key, Value&& value) {
    if (Node* node = findNode(head, key)) {
        node->value = std::forward<Value>(value);
        return;
    }
    head = new Node{key, std::forward<Value>(value), head};
}

template <class Node>
void freeList(Node*& head) {
    while (head != nullptr) {
        Node* next = head->next;
        delete head;
        head = next;
    }
}

}  // namespace

Object::~Object() {
    freeList(ints_);
    freeList(sizes_);
    freeList(rects_);
    freeList(texts_);
}

int32_t Object::getInt(AttributeKey key, int32_t defaultValue) const {
    const IntNode* node = findNode(ints_, key);
    return node != nullptr ? node->value : defaultValue;
}

bool Object::hasInt(AttributeKey key) const {
    return findNode(ints_, key) != nullptr;
}

void Object::setInt(AttributeKey key, int32_t value) {
    storeValue(ints_, key, value);
}

bool Object::getSize(AttributeKey key, Size& out) const {
    const SizeNode* node = findNode(sizes_, key);
    if (node == nullptr) {
        return false;
    }
    out = node->value;
    return true;
}

void Object::setSize(AttributeKey key, int32_t first, int32_t second) {
    storeValue(sizes_, key, Size{first, second});
}

bool Object::getRect(AttributeKey key, Rect& out) const {
    const RectNode* node = findNode(rects_, key);
    if (node == nullptr) {
        return false;
    }
    out = node->value;
    return true;
}

void Object::setRect(AttributeKey key, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    storeValue(rects_, key, Rect{left, top, right, bottom});
}

bool Object::getText(AttributeKey key, std::u16string& out) const {
    const TextNode* node = findNode(texts_, key);
    if (node == nullptr) {
        return false;
    }
    out = node->value;
    return true;
}

const std::u16string* Object::findText(AttributeKey key) const {
    const TextNode* node = findNode(texts_, key);
    return node != nullptr ? &node->value : nullptr;
}

void Object::setText(AttributeKey key, std::u16string_view text) {
    storeValue(texts_, key, std::u16string(text));
}

}  // namespace tamlo::dui
