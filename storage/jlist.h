// JList and JListElement: an intrusive singly linked list whose elements are
// their own nodes, so linking and unlinking allocate nothing.
//
// The template knows nothing of counts or references; it tells the element
// through three hooks when it has been linked, unlinked or given up, and the
// element decides what that means. Invariants: `head` and `tail` are both
// null or both set; `tail->next` is null; every element reachable from `head`
// is linked here and nowhere else.
#ifndef ORV_STORAGE_JLIST_H_
#define ORV_STORAGE_JLIST_H_

template <class T>
class JList;

template <class T>
class JListElement {
 public:
  virtual ~JListElement() = default;
  // The element has just been linked into `list`.
  virtual void OnAttach(JList<T>* list) = 0;
  // The element has just been unlinked from `list`.
  virtual void OnDetach(JList<T>* list) = 0;
  // `list` gives the element up without unlinking it one by one.
  virtual int OnDelete(JList<T>* list) = 0;
  virtual bool IsLast() const { return next == nullptr; }

  // The following element; meaningful only while the element is linked, and
  // null whenever it is not.
  T* next = nullptr;
};

template <class T>
class JList {
 public:
  virtual ~JList() = default;

  virtual bool IsEmpty() const { return head == nullptr; }

  virtual bool Contains(const T* element) const {
    for (const T* e = head; e != nullptr; e = e->next) {
      if (e == element) return true;
    }
    return false;
  }

  // Links `element` after `position`, or first when `position` is null. The
  // caller guarantees that `position`, when given, is linked here.
  virtual void InsertAfter(T* position, T* element) {
    if (position == nullptr) {
      element->next = head;
      head = element;
    } else {
      element->next = position->next;
      position->next = element;
    }
    if (element->next == nullptr) tail = element;
    element->OnAttach(this);
  }

  // Unlinks `element` if it is linked here; returns whether it was.
  virtual bool RemoveElement(T* element) {
    T* previous = nullptr;
    for (T* e = head; e != nullptr; previous = e, e = e->next) {
      if (e != element) continue;
      if (previous == nullptr) {
        head = e->next;
      } else {
        previous->next = e->next;
      }
      if (tail == e) tail = previous;
      e->next = nullptr;
      e->OnDetach(this);
      return true;
    }
    return false;
  }

  // Gives up every element through OnDelete.
  virtual void RemoveAll() {
    while (head != nullptr) {
      T* e = head;
      head = e->next;
      e->next = nullptr;
      e->OnDelete(this);
    }
    tail = nullptr;
  }

  virtual void AddTail(T* element) { InsertAfter(tail, element); }

  T* head = nullptr;
  T* tail = nullptr;
};

#endif  // ORV_STORAGE_JLIST_H_
