// Files and devices: BASIC file numbers over operating-system files and serial ports.
#pragma once
#include <cstdint>

#include "runtime/values/values.h"

// CLOSE without arguments: closes every open file (END and the exit path).
void files_close_all();

// Called by bstr_free for a string that is bound to a record buffer by FIELD: unhooks the
// string from its binding record before the descriptor is recycled.
void field_binding_detach(BasicString *s);

// Called by LSET, RSET and the MID$ statement after they changed a string that has a
// field_binding: copies the string's bytes back into its record buffer.
void field_binding_write_back(BasicString *s);
