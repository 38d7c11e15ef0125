#pragma once
// HOME and the XDG folders pointed at a fresh folder for as long as it lives, so that what the
// program keeps in the user's folders (downloads, the web profile) lands there. The earlier values
// come back at the end.

#include "support/ScopedEnv.h"
#include "support/Spin.h"
#include "support/TempDir.h"

#include <string>

namespace penshelf::test {

class TempHome {
  public:
    TempHome() {
        env_.set("HOME", dir_.str())
            .set("XDG_CONFIG_HOME", dir_ / ".config")
            .set("XDG_DATA_HOME", dir_ / ".local/share")
            .set("XDG_CACHE_HOME", dir_ / ".cache");
    }
    ~TempHome() {
        // Qt WebEngine still writes a deleted profile's last state (cache index, network state)
        // from its own threads for a moment; the folder goes once that is done.
        if (std::filesystem::exists(dir_ / ".local/share")) {
            spinFor(std::chrono::milliseconds(300));
        }
    }

    std::string operator/(const std::string& relative) const { return dir_ / relative; }
    // Where QStandardPaths puts downloads when the user has not chosen a folder.
    std::string downloads() const { return dir_ / "Downloads"; }

  private:
    TempDir dir_;
    ScopedEnv env_;
};

}  // namespace penshelf::test
