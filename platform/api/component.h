// Components: the MP3 importer, the storage data handler, the MPEG-4 exporter.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "../MacTypes.h"
#include "../system/atomic_file.h"

namespace tvx {

struct Component {
  OSType type = 0;     // 'eat ', 'spit', 'dhlr'
  OSType subtype = 0;  // 'MP3 ', 'mpg4', 'alis'
  // Storage data handler: the destination and the file being written.
  std::string destination;
  std::unique_ptr<AtomicFile> file;
  // Exporter: the settings atom container, as bytes.
  std::vector<std::uint8_t> settings;
};

}  // namespace tvx
