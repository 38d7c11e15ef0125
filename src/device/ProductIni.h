#pragma once
// The identity code in a pen's SYS/product.ini.

#include <string>

namespace penshelf {

namespace pen {
inline constexpr const char* productIniPath = "SYS/product.ini";
}  // namespace pen

// The identity code of the pen whose volume is mounted at `volume`: bytes 13 to 23 of a
// product.ini of at least 25 bytes, read without following a link at any level below the volume
// (a pen's files must not lead to the computer's). Empty when there is no such regular file.
std::string identityCodeFrom(const std::string& volume);

}  // namespace penshelf
