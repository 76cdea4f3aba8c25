// The allocation seams (module heap and task memory) share one fault
// injection countdown and one success counter; both are plain atomics, so
// any thread may allocate.
#pragma once

#include <cstddef>

namespace standin {

// A block from the C heap through the seams (at least one byte, zeroed when
// asked); none when the armed hook fails this allocation or memory runs out.
void* AllocateThroughSeam(std::size_t bytes, bool zeroed);

}  // namespace standin
