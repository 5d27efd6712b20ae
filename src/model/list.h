// Minimal singly linked list.
#pragma once

struct list {
    void *data;
    list *next;
};

using lst_destructor = void (*)(void *);

// New first node holding `data`.
list *lst__prepend(list *l, void *data);
// The list with a new last node (the new node itself when `l` was empty).
list *lst__append(list *l, void *data);
// Calls `destroy` (when not null) on every node's data, first to last, and
// frees the nodes.
void lst__free(list *l, lst_destructor destroy);
// The list without the first node whose data is that very pointer; `destroy`
// is called on it.  Removing data that is not there is fatal.
list *lst__remove(list *l, void *data, lst_destructor destroy);
