#include "data_ref_resolver.h"

#include <sys/stat.h>

#include <vector>

#include "alias_record.h"

namespace tvx {

namespace {

bool IsFile(const std::string& path) {
  struct stat st{};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string Folder(const std::string& path) {
  std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& rest) {
  return folder == "/" ? "/" + rest : folder + "/" + rest;
}

// Relative candidate of an alias: up nlvlFrom - 1 folders, then down the last nlvlTo components.
std::string AliasRelative(const AliasRecord& alias, const std::string& movieFolder) {
  if (alias.levelsFrom < 1 || alias.levelsTo < 1) return {};
  std::vector<std::string> parts = AliasPathComponents(alias);
  if (parts.size() < std::size_t(alias.levelsTo)) return {};
  std::string rest;
  for (int i = 1; i < alias.levelsFrom; ++i) rest += "../";
  for (std::size_t i = parts.size() - std::size_t(alias.levelsTo); i < parts.size(); ++i)
    rest += (i + std::size_t(alias.levelsTo) == parts.size() ? "" : "/") + parts[i];
  return NormalizePath(Join(movieFolder, rest));
}

// The 'url ' entry's URL (a C string).
std::string UrlText(const std::vector<std::uint8_t>& raw) {
  std::string url(raw.begin(), raw.end());
  std::string::size_type nul = url.find('\0');
  if (nul != std::string::npos) url.resize(nul);
  return url;
}

bool HasScheme(const std::string& url) {
  std::string::size_type colon = url.find(':');
  return colon != std::string::npos && url.find('/') > colon;
}

std::string Resolve(const DataRef& ref, const std::string& movieFolder) {
  std::vector<std::string> candidates;  // in the order they are tried
  if (ref.kind == DataRef::Kind::Alias) {
    AliasRecord alias;
    if (!ParseAliasRecord(ref.raw, &alias)) return {};
    candidates.push_back(AliasRelative(alias, movieFolder));
    candidates.push_back(NormalizePath(AliasAbsolutePath(alias)));
  } else if (ref.kind == DataRef::Kind::Url) {
    std::string url = UrlText(ref.raw);
    if (url.compare(0, 7, "file://") == 0) {
      std::string::size_type pathStart = url.find('/', 7);  // after an optional host
      if (pathStart != std::string::npos)
        candidates.push_back(NormalizePath(PercentDecode(url.substr(pathStart))));
    } else if (!url.empty() && url[0] == '/') {
      candidates.push_back(NormalizePath(PercentDecode(url)));
    } else if (!url.empty() && !HasScheme(url)) {
      candidates.push_back(NormalizePath(Join(movieFolder, PercentDecode(url))));
    }
  }
  for (const std::string& c : candidates)
    if (IsFile(c)) return c;
  return {};
}

}  // namespace

std::string PercentDecode(const std::string& s) {
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
      out.push_back(char(hex(s[i + 1]) * 16 + hex(s[i + 2])));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

std::string NormalizePath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::vector<std::string> parts;
  std::string::size_type start = 1;
  while (start <= path.size()) {
    std::string::size_type end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string out;
  for (const std::string& p : parts) out += "/" + p;
  return out.empty() ? "/" : out;
}

bool ResolveDataRefs(Movie* movie, const std::string& moviePath, bool resolve) {
  const std::string movieFolder = Folder(moviePath);
  bool allResolved = true;
  for (auto& track : movie->tracks) {
    for (DataRef& ref : track->media.dataRefs) {
      if (ref.kind == DataRef::Kind::Self) {
        ref.resolvedPath = moviePath;
        continue;
      }
      ref.resolvedPath.clear();
      if (!resolve) continue;
      ref.resolvedPath = Resolve(ref, movieFolder);
      if (ref.resolvedPath.empty()) allResolved = false;
    }
  }
  return allResolved;
}

}  // namespace tvx
