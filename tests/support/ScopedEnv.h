#pragma once
// Environment variables set (or unset) for as long as the object lives; the earlier values come
// back when it goes, also when an assertion ends the test early. A change of TZ takes effect at
// once (tzset), both ways.

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace penshelf::test {

class ScopedEnv {
  public:
    ScopedEnv() = default;
    // value nullopt: the variable is unset meanwhile.
    ScopedEnv(const std::string& name, const std::optional<std::string>& value) {
        set(name, value);
    }
    ~ScopedEnv() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) apply(it->first, it->second);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    ScopedEnv& set(const std::string& name, const std::optional<std::string>& value) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        apply(name, value);
        return *this;
    }

  private:
    static void apply(const std::string& name, const std::optional<std::string>& value) {
        value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        if (name == "TZ") tzset();
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace penshelf::test
