// The calling thread's COM apartment, entered by CoInitialize(Ex) and left by
// the matching CoUninitialize.
#pragma once

namespace standin {

bool ThreadHasApartment();

}  // namespace standin
