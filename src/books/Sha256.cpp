#include "books/Sha256.h"

#include <openssl/evp.h>

#include <algorithm>

namespace penshelf {

struct Sha256::Context {
    struct Free {
        void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
    };
    std::unique_ptr<EVP_MD_CTX, Free> evp{EVP_MD_CTX_new()};
    bool ok = false;

    void restart() { ok = evp && EVP_DigestInit_ex(evp.get(), EVP_sha256(), nullptr) == 1; }
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
    context_->restart();
}

Sha256::~Sha256() = default;
Sha256::Sha256(Sha256&&) noexcept = default;
Sha256& Sha256::operator=(Sha256&&) noexcept = default;

void Sha256::update(const void* data, std::size_t size) {
    if (context_->ok && size > 0) {
        context_->ok = EVP_DigestUpdate(context_->evp.get(), data, size) == 1;
    }
}

std::string Sha256::finishHex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    const bool ok = context_->ok && EVP_DigestFinal_ex(context_->evp.get(), digest, &length) == 1 &&
                    length == 32;
    context_->restart();
    if (!ok) return {};
    static constexpr char hex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 0xF];
    }
    return text;
}

std::string sha256Hex(std::string_view bytes) {
    Sha256 sha;
    sha.update(bytes.data(), bytes.size());
    return sha.finishHex();
}

bool isSha256Hex(std::string_view text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

}  // namespace penshelf
