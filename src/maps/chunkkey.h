// The key of a chunk of a version-3 map: its row in the high 32 bits and its
// column in the low 32, so keys sort row by row and no two chunks of a map
// share one however many columns it has.
#pragma once

#include <cstdint>

using ChunkKey = uint64_t;

// Names no chunk.
constexpr ChunkKey kNoChunkKey = ~ChunkKey(0);

constexpr ChunkKey MakeChunkKey(int row, int column) {
    return ChunkKey(uint32_t(row)) << 32 | uint32_t(column);
}
constexpr int ChunkKeyRow(ChunkKey key) {
    return int(uint32_t(key >> 32));
}
constexpr int ChunkKeyColumn(ChunkKey key) {
    return int(uint32_t(key));
}
