#pragma once

// How the window program asks the C library's allocator to hand memory back.
namespace HeapSettings {

// Keeps every block of 128 KiB or more in a mapping of its own, which goes back to the system
// as soon as it is freed. Called once, first thing in main.
void keepLargeBlocksApart();

} // namespace HeapSettings
