#pragma once
// Volumes that are plain folders: simulated pens, one folder per disk name.

#include "books/Volumes.h"

#include <map>
#include <string>

namespace penshelf {

class FolderVolumes : public Volumes {
  public:
    // Mounts folder as the volume of bsdName (replacing an earlier one).
    void mount(const std::string& bsdName, const std::string& folder);
    void unmount(const std::string& bsdName);
    std::string GetVolumePath(const std::string& bsdName) const override;

  private:
    std::map<std::string, std::string> folders_;
};

}  // namespace penshelf
