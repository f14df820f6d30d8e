// Hooks of the string code into the file layer's FIELD bindings. No record buffers exist
// yet: the file layer replaces these with its real FIELD handling.
#include "runtime/files/files.h"

// bstr_free: unhook a string from its FIELD binding record.
void field_binding_detach(BasicString *s) { (void)s; }

// LSET, RSET and the MID$ statement: the file layer's FIELD write-back lands here,
// copying the changed string into the record buffer of its binding.
void field_binding_write_back(BasicString *s) { (void)s; }
