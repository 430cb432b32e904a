// An in-memory file system behind the apply's port: a tree with attributes and times, the
// utility library's search rules, programmable failures and a trace of every call.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/core/apply.h"

namespace tolm::testing {

class FakeFileSystem : public FileSystemPort {
public:
  enum Op { kGetTime, kSetTime, kGetAttributes, kSetAttributes };
  struct Item {
    bool folder = false;
    uint32_t attributes = 0;
    SystemTime creation;
    SystemTime update;
    std::vector<std::string> children; // in the order the search reports them
  };
  struct Failure {
    int code = kKelFailed;
    std::string text;
  };

  void addFolder(const std::string &path, uint32_t attributes = kAttrDirectory) {
    add(path, true, attributes);
  }
  void addFile(const std::string &path, uint32_t attributes = kAttrArchive) {
    add(path, false, attributes);
  }
  void fail(Op op, const std::string &path, Failure failure) {
    failures[{op, path}] = std::move(failure);
  }
  Item &at(const std::string &path) { return items.at(path); }

  std::string lastErrorText() override { return lastError; }

  int operateFileTime(int code, const std::string &path, SystemTime *creation,
                      SystemTime *lastAccess, SystemTime *lastWrite) override {
    if (code != kTimeGetCreationAndUpdate && code != kTimeSetCreationAndUpdate) {
      calls.push_back("badTime " + path);
      return settle(kKelFailed, "bad code");
    }
    const bool set = code == kTimeSetCreationAndUpdate;
    calls.push_back((set ? "setTime " : "getTime ") + path);
    if (lastAccess != nullptr)
      accessRecordPassed = true;
    if (auto f = failureOf(set ? kSetTime : kGetTime, path))
      return settle(f->code, f->text);
    auto it = items.find(path);
    if (it == items.end())
      return settle(kKelFailed, kNotFoundText);
    if (set) {
      if (creation != nullptr)
        it->second.creation = *creation;
      if (lastWrite != nullptr)
        it->second.update = *lastWrite;
    } else {
      if (creation != nullptr)
        *creation = it->second.creation;
      if (lastWrite != nullptr)
        *lastWrite = it->second.update;
    }
    return settle(kKelOk, successText);
  }

  int getAttributes(const std::string &path, uint32_t *attributes) override {
    calls.push_back("getAttr " + path);
    auto it = items.find(path);
    if (auto f = failureOf(kGetAttributes, path)) {
      *attributes = kAttrInvalid;
      return settle(f->code, f->text);
    }
    if (it == items.end()) {
      *attributes = kAttrInvalid;
      return settle(kKelFailed, kNotFoundText);
    }
    *attributes = it->second.attributes;
    return settle(kKelOk, successText);
  }

  int setAttributes(const std::string &path, uint32_t attributes) override {
    calls.push_back("setAttr " + path);
    if (auto f = failureOf(kSetAttributes, path))
      return settle(f->code, f->text);
    auto it = items.find(path);
    if (it == items.end())
      return settle(kKelFailed, kNotFoundText);
    it->second.attributes = attributes;
    return settle(kKelOk, successText);
  }

  int searchDirectory(int flags, const std::string &folder, const std::string &pattern,
                      SearchVisitor &visitor) override {
    calls.push_back("search " + folder);
    searchFlags = flags;
    searchPattern = pattern;
    int result = kKelOk;
    if ((flags & kSearchFolders) != 0 && !report(flags, folder, visitor))
      result = kKelStopped;
    else if (!walk(flags, folder, visitor))
      result = kKelStopped;
    settle(kKelOk, successText);
    return forcedSearchResult ? *forcedSearchResult : result;
  }

  // The paths whose times were written, in call order.
  std::vector<std::string> timesWritten() const { return pathsOf("setTime "); }
  std::vector<std::string> attributesWritten() const { return pathsOf("setAttr "); }

  static constexpr const char *kNotFoundText = "The system cannot find the file specified.\r\n";
  std::map<std::string, Item> items;
  std::map<std::pair<Op, std::string>, Failure> failures;
  std::vector<std::string> calls;
  std::string successText = "The operation completed successfully.\r\n";
  std::string lastError;
  std::optional<int> forcedSearchResult; // the search walks as usual, then answers this
  int searchFlags = -1;
  std::string searchPattern;
  bool accessRecordPassed = false;

private:
  void add(const std::string &path, bool folder, uint32_t attributes) {
    Item item;
    item.folder = folder;
    item.attributes = attributes;
    items[path] = item;
    const size_t slash = path.rfind('\\');
    if (slash != std::string::npos) {
      auto parent = items.find(path.substr(0, slash));
      if (parent != items.end())
        parent->second.children.push_back(path);
    }
  }

  std::optional<Failure> failureOf(Op op, const std::string &path) const {
    auto it = failures.find({op, path});
    if (it == failures.end())
      return std::nullopt;
    return it->second;
  }

  int settle(int code, const std::string &text) {
    lastError = text;
    return code;
  }

  // The library's filter: each of the four attributes an item carries must be accepted.
  static bool passes(int flags, uint32_t word) {
    if ((word & kAttrArchive) && !(flags & kSearchArchive))
      return false;
    if ((word & kAttrReadOnly) && !(flags & kSearchReadOnly))
      return false;
    if ((word & kAttrHidden) && !(flags & kSearchHidden))
      return false;
    if ((word & kAttrSystem) && !(flags & kSearchSystem))
      return false;
    return true;
  }

  // False when the visitor stopped the search.
  bool report(int flags, const std::string &path, SearchVisitor &visitor) {
    auto it = items.find(path);
    const uint32_t word = it == items.end() ? kAttrInvalid : it->second.attributes;
    if (!passes(flags, word))
      return true;
    return dispatchFoundItem(reinterpret_cast<uintptr_t>(&visitor), path.c_str(), word) != 0;
  }

  bool walk(int flags, const std::string &folder, SearchVisitor &visitor) {
    auto it = items.find(folder);
    if (it == items.end())
      return true;
    for (const std::string &child : it->second.children) {
      const bool isFolder = items.at(child).folder;
      if ((!isFolder || (flags & kSearchFolders)) && !report(flags, child, visitor))
        return false;
      // Subfolders are entered whether or not they passed the filter themselves.
      if (isFolder && (flags & kSearchRecursive) && !walk(flags, child, visitor))
        return false;
    }
    return true;
  }

  std::vector<std::string> pathsOf(const std::string &prefix) const {
    std::vector<std::string> paths;
    for (const std::string &call : calls)
      if (call.rfind(prefix, 0) == 0)
        paths.push_back(call.substr(prefix.size()));
    return paths;
  }
};

} // namespace tolm::testing
