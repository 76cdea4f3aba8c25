// The registry file's text form: versioned, line based, meant to be read by a
// person and parsed strictly, so that a cut or damaged file is always noticed.
//
//   vellora-registry 1
//   next-id 4
//   key 1 "CLSID"
//     key 2 "{0DD7B044-4226-4740-87E0-BB92C13564AB}"
//       value "" sz "Vellora"
//       key 3 "InprocServer32"
//         value "" sz "/usr/lib/libvellora.so"
//         value "ThreadingModel" sz "Both"
//   end
//
// The header names the format's version and the next key id to give out.
// A key line is indented two spaces per level below the root; its values
// follow it, one level deeper, before its subkeys. Values of the root itself
// stand unindented before the first key. Data forms: `sz "text"` (the text and
// its terminator), `dword 0x0000002a`, `binary 0a1b2c`, and `type N 0a1b2c`
// for anything else (any type, or an sz without exactly one terminator); `-`
// is no bytes. Quoted text escapes `\\`, `\"` and, as `\xHH`, control bytes;
// other bytes (UTF-8) stand as they are. Every line ends in a newline, and the
// file ends with the line `end`.
#pragma once

#include <string>
#include <string_view>

#include "registry_tree.h"

namespace standin {

std::string FormatRegistry(const RegistryTree& tree);

// False for anything but exactly one whole, well-formed file; `*tree` is then
// left in an unspecified state.
bool ParseRegistry(std::string_view text, RegistryTree* tree);

}  // namespace standin
