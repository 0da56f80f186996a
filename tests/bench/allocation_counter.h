#pragma once
// Counts heap allocations in this process: the program that links
// allocation_counter.cpp replaces malloc, calloc, realloc and operator new
// with counting versions. Read the count before and after a call.
#include <cstddef>

size_t AllocationCount();
