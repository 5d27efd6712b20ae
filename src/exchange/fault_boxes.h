// The two boxes that report XML-RPC faults: the call fault box (the call
// itself failed: a server fault or a transport failure) and the fault box (a
// conversion or decomposition failed, or a local file).
#pragma once

#include <xmlrpc-c/base.h>

#include <string>

#include "model/misc.h"

// The fault's text for a person: the program's own Russian text as it is;
// the library's English one after a Russian reason, in brackets.
std::u16string ino__fault_text(const xmlrpc_env *env);

// `about` goes before the fault's text (which file, which label).
void ino__fault_box(const xmlrpc_env *env, const std::u16string &about = {});
void ino__call_fault_box(const xmlrpc_env *env);

// The (call) fault box when the library left a non-zero fault code, else the
// warning box with `message`.
void ino__fault_box_or(const xmlrpc_env *env, msc__fmt<> message, bool call);
