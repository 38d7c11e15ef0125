#pragma once
// SHA-256 digests of book packages, written as 64 lowercase hexadecimal
// digits as a backup's manifest holds them. libcrypto does the work: it uses
// the processor's SHA instructions, several times faster than plain C.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace penshelf {

class Sha256 {
  public:
    Sha256();
    ~Sha256();
    Sha256(Sha256&&) noexcept;
    Sha256& operator=(Sha256&&) noexcept;

    void update(const void* data, std::size_t size);
    // The digest of everything given since the start; the object starts over.
    // Empty when libcrypto failed, which matches no digest.
    std::string finishHex();

  private:
    struct Context;
    std::unique_ptr<Context> context_;
};

std::string sha256Hex(std::string_view bytes);

// Whether text is a digest as finishHex() writes it.
bool isSha256Hex(std::string_view text);

}  // namespace penshelf
