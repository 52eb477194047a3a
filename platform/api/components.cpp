// Components as plain records: the MP3 importer, the MPEG-4 exporter and the storage data
// handler. What the importer and exporter do lives with them; here they are opened and closed.
#include <new>

#include "../Movies.h"
#include "component.h"
#include "status.h"

namespace {

bool IsKnown(OSType type, OSType subtype) {
  return (type == MovieImportType && subtype == kQTFileTypeMP3) ||
         (type == MovieExportType && subtype == kQTFileTypeMP4);
}

}  // namespace

ComponentInstance OpenDefaultComponent(OSType componentType, OSType componentSubType) {
  ComponentInstance ci = nullptr;
  OpenADefaultComponent(componentType, componentSubType, &ci);
  return ci;
}

OSErr OpenADefaultComponent(OSType componentType, OSType componentSubType, ComponentInstance* ci) {
  if (ci == nullptr) return tvx::SetMoviesError(paramErr);
  *ci = nullptr;
  if (!IsKnown(componentType, componentSubType)) return tvx::SetMoviesError(cantFindHandler);
  auto* component = new (std::nothrow) tvx::Component;
  if (component == nullptr) return tvx::SetMoviesError(memFullErr);
  component->type = componentType;
  component->subtype = componentSubType;
  *ci = component;
  return tvx::SetMoviesError(noErr);
}

OSErr CloseComponent(ComponentInstance ci) {
  if (ci == nullptr) return tvx::SetMoviesError(paramErr);
  // A storage file never committed is removed with its AtomicFile.
  delete ci;
  return tvx::SetMoviesError(noErr);
}

ComponentResult MovieExportSetSettingsFromAtomContainer(MovieExportComponent ci,
                                                        QTAtomContainer settings) {
  if (ci == nullptr || ci->type != MovieExportType) return tvx::SetMoviesError(paramErr);
  ci->settings.clear();
  if (settings != nullptr && *settings != nullptr) {
    Size size = GetHandleSize(settings);
    ci->settings.assign(*settings, *settings + (size > 0 ? size : 0));
  }
  return tvx::SetMoviesError(noErr);
}
