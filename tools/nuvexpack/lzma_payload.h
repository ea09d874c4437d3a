// The payload of an LZMA package (nuvexpack build --compression lzma): the files in solid
// blocks, laid out as core/package_layout.h describes, encoded with liblzma.
//
// A block holds the files of one slot in the order the installer visits their entries
// (file, win, sys, each by index) up to a target size; a file after a gap in its family's
// numbering, which the installer never visits, gets a block of its own. The blocks are
// encoded on several threads, each block by one thread with settings that depend on nothing
// but the block, and written in order, so the bytes are the same for every job count.
#pragma once

#include <cstdint>
#include <vector>

#include "file_io.h"
#include "package_plan.h"
#include "payload_pipeline.h"

namespace nuvex::pack {

bool LzmaAvailable();  // liblzma is built in (the host build)

// Files of a slot go into one block until it holds this many bytes; a larger file takes a
// block of its own. Chosen with bench/pack-benchmark.sh: with the default dictionary of
// 8 MiB, blocks of 64 MiB made the package 0.5% smaller, but gave the threads too few and
// too uneven pieces of work (the build took about 1.3 times as long on two cores).
inline constexpr uint64_t kLzmaBlockTarget = 16ull << 20;

// The blocks: indexes into `items`, each block in the installer's order.
std::vector<std::vector<std::size_t>> PlanLzmaBlocks(const std::vector<PayloadItem>& items,
                                                     uint64_t target = kLzmaBlockTarget);

// Writes the blocks at the current position of `out`. `options.compression.level` is the
// liblzma preset (0..9); `options.jobs` the threads. With no item at all the payload is the
// zlib package's empty stream and the package a plain zlib one. Throws PackError naming the
// file when a source cannot be read, has changed size or is too large for a block.
PayloadResult WriteLzmaPayload(const std::vector<PayloadItem>& items, File& out,
                               const PipelineOptions& options,
                               uint64_t blockTarget = kLzmaBlockTarget);

}  // namespace nuvex::pack
