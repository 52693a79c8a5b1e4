// SPDX-License-Identifier: MIT
// Copyright (c) 2026 the QUILVE developers
#include <windows.h>

#include <cstdint>

#include "records/zero_pages.h"

namespace quilve {
namespace {
constexpr std::size_t kPage = 4096;
constexpr std::size_t kLargePage = std::size_t{2} << 20;
}  // namespace

ZeroPages::ZeroPages(std::size_t bytes) {
  if (bytes == 0) return;
  const bool large = bytes >= kLargePage;
  // Whole pages, and one large page of slack to start on its boundary.
  // Committed memory reads as zero and is given pages only when touched;
  // large pages need a privilege users do not hold, so none are asked for.
  mappedBytes_ = (bytes + kPage - 1) / kPage * kPage + (large ? kLargePage : 0);
  void* p = VirtualAlloc(nullptr, mappedBytes_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (p == nullptr) return;
  mapping_ = p;
  auto start = reinterpret_cast<std::uintptr_t>(p);
  if (large) start = (start + kLargePage - 1) / kLargePage * kLargePage;
  data_ = reinterpret_cast<void*>(start);
}

ZeroPages::~ZeroPages() {
  if (mapping_ != nullptr) VirtualFree(mapping_, 0, MEM_RELEASE);
}

}  // namespace quilve
