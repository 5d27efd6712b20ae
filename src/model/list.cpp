#include "model/list.h"

#include "model/errors.h"
#include "model/xmalloc.h"

list *lst__prepend(list *l, void *data)
{
    auto *n = static_cast<list *>(xmalloc(sizeof(list)));
    n->data = data;
    n->next = l;
    return n;
}

list *lst__append(list *l, void *data)
{
    auto *n = static_cast<list *>(xmalloc(sizeof(list)));
    n->data = data;
    n->next = nullptr;
    if (!l)
        return n;
    list *t = l;
    while (t->next)
        t = t->next;
    t->next = n;
    return l;
}

void lst__free(list *l, lst_destructor destroy)
{
    while (l) {
        list *next = l->next;
        if (destroy)
            destroy(l->data);
        xfree(l);
        l = next;
    }
}

list *lst__remove(list *l, void *data, lst_destructor destroy)
{
    list **link = &l;
    while (*link && (*link)->data != data)
        link = &(*link)->next;
    if (!*link)
        XFAIL("0");
    list *gone = *link;
    *link = gone->next;
    if (destroy)
        destroy(gone->data);
    xfree(gone);
    return l;
}
