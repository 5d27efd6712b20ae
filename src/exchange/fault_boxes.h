// The two boxes that report XML-RPC faults: the call fault box (the call
// itself failed: a server fault or a transport failure) and the fault box (a
// conversion or decomposition failed, or a local file).
#pragma once

#include <xmlrpc-c/base.h>

void ino__fault_box(const xmlrpc_env *env);
void ino__call_fault_box(const xmlrpc_env *env);

// The (call) fault box when the library left a non-zero fault code, else the
// warning box with `message`.
void ino__fault_box_or(const xmlrpc_env *env, const char16_t *message, bool call);
