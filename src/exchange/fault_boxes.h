// The two boxes that report XML-RPC faults: the call fault box (the call
// itself failed: a server fault or a transport failure) and the fault box (a
// conversion or decomposition failed, or a local file).
#pragma once

#include <xmlrpc-c/base.h>

void ino__fault_box(const xmlrpc_env *env);
void ino__call_fault_box(const xmlrpc_env *env);
