#include "ops/maintenance/password_rules.h"

#include <openssl/evp.h>

#include <memory>
#include <stdexcept>

namespace ostrand {

std::string PasswordWireForm(std::string_view gbkPassword) {
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                       &EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), gbkPassword.data(), gbkPassword.size()) != 1 ||
        EVP_DigestFinal_ex(context.get(), digest, &length) != 1 || length != 16) {
        throw std::runtime_error("MD5 digest unavailable");
    }
    constexpr char kHex[] = "0123456789abcdef";
    std::string text(kPasswordSalt);
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0x0F];
    }
    return text;
}

std::string PasswordAsSent(std::string_view gbkPassword, PasswordMode mode) {
    return mode == PasswordMode::Hashed ? PasswordWireForm(gbkPassword) : std::string(gbkPassword);
}

PasswordMode PasswordModeForVersion(std::string_view version) {
    const std::size_t dash = version.find('-');
    if (dash == std::string_view::npos || version.find('_') != std::string_view::npos) {
        return PasswordMode::Hashed;
    }
    const std::string_view number = version.substr(dash + 1);
    return number >= "3.9.1666" && number < "3.9.8761" ? PasswordMode::Plain : PasswordMode::Hashed;
}

std::size_t Utf8CharacterCount(std::string_view utf8) {
    std::size_t count = 0;
    for (const char byte : utf8) {
        if ((static_cast<unsigned char>(byte) & 0xC0) != 0x80) ++count;
    }
    return count;
}

}  // namespace ostrand
