#include "upgrade/sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Digest(const std::string& bytes, size_t piece)
{
    Sha256 sha;
    for (size_t at = 0; at < bytes.size(); at += piece) {
        size_t n = bytes.size() - at < piece ? bytes.size() - at : piece;
        sha.Update(reinterpret_cast<const unsigned char*>(bytes.data()) + at, n);
    }
    return sha.FinishHex();
}

} // namespace

TEST(Sha256, PublishedDigestsWhateverThePieces)
{
    for (size_t piece : {1u, 3u, 63u, 64u, 65u, 1000u}) {
        EXPECT_EQ(Digest("", piece), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
        EXPECT_EQ(Digest("abc", piece), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
        EXPECT_EQ(Digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", piece),
                  "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
        EXPECT_EQ(Digest(std::string(1000000, 'a'), piece),
                  "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    }
}
