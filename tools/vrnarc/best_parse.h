// The best parse, block by block.
//
// A member is parsed in blocks of kBestBlock bytes. Each block is parsed on
// its own, its match finder first given the window of bytes before the block,
// so that a block's tokens depend on the member's bytes alone: the blocks of
// a large member can be parsed on several threads and joined in order, and
// the stream is the same whichever thread parsed which block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vrn::arc {

inline constexpr size_t kBestBlock = size_t{1} << 20;

// The number of blocks of a member of `size` bytes (0 for an empty one).
inline size_t BestBlockCount(size_t size) { return (size + kBestBlock - 1) / kBestBlock; }

// The tokens of one block: their bytes as they stand in the stream and, bit
// k of byte k / 8, whether token k is a literal.
struct ParsedBlock {
    std::vector<uint8_t> body;
    std::vector<uint8_t> literals;
    size_t tokens = 0;
};

// Parses block `block` of the member `data` of `size` bytes into `parsed`
// (its earlier contents are replaced).
void ParseBestBlock(const uint8_t* data, size_t size, size_t block, ParsedBlock& parsed);

// Joins the blocks of a member, in order, into its stream: the token groups
// run on across the blocks.
class BlockJoiner {
public:
    explicit BlockJoiner(std::vector<uint8_t>& out) : out_(out) {}
    void Append(const ParsedBlock& parsed);

private:
    // Appends token k of the block, its bytes at `body`.
    void Token(const ParsedBlock& parsed, size_t k, const uint8_t*& body);

    std::vector<uint8_t>& out_;
    size_t flagAt_ = 0;
    unsigned used_ = 8;   // tokens in the current group
};

}  // namespace vrn::arc
