// The mark on what libDefaultQorUi.so exports. The library is built with hidden visibility, so its dynamic
// symbol table holds only what carries this mark: what a host app uses of it, and what the other
// libraries of the system use of it (including the type information they cast to).
#pragma once

#define QOR_UI_EXPORT __attribute__((visibility("default")))
