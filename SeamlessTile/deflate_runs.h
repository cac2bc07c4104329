// Deflate for filtered photographs: each byte is a literal, or with the
// bytes after it a run of the byte before it (distance 1), and every block
// of symbols gets Huffman codes of its own. On filtered photographs this is
// as small as searching for longer matches, and several times quicker.
#pragma once
#include <cstddef>
#include <vector>

// Appends `data` as raw deflate blocks to `out`. The last piece of a stream
// sets the final-block bit; any other ends with an empty stored block, on a
// byte boundary, so the next piece can follow it. The first byte of a piece
// is always a literal, so a piece never refers to the one before it.
// Throws std::bad_alloc when memory runs out.
void deflate_runs(const unsigned char* data, size_t n, bool last, std::vector<unsigned char>& out);
