#include "ScriptWalk.h"

#include <algorithm>

#include <QFile>

#include "NativePath.h"
#include "ScriptName.h"

namespace {

const QString kScriptExtension = QStringLiteral(".csm");

// A path as Exclusions sees it, one step further down.
QString below(const QString& relative, const QString& name) {
  return relative == u'.' ? name : relative + u'/' + name;
}

QByteArray joined(const QByteArray& folder, const QByteArray& name) {
  return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// Sorted as their paths sort: a folder's name as if followed by its `/`.
bool pathOrder(const FolderEntry& a, const FolderEntry& b) {
  const auto key = [](const FolderEntry& e) {
    return e.kind == FolderEntry::Kind::Folder ? e.name + '/' : e.name;
  };
  return key(a) < key(b);
}

}  // namespace

ScriptWalk::ScriptWalk(QStringList paths, QString standardInputName, Exclusions excludes,
                       bool forceExclude)
    : paths_(std::move(paths)),
      standardInputName_(std::move(standardInputName)),
      excludes_(std::move(excludes)),
      forceExclude_(forceExclude) {}

bool ScriptWalk::passesOver(const QString& given) const {
  if (!forceExclude_) return false;
  if (given != QStringLiteral("-")) return excludes_.excludes(given);
  return standardInputName_ != given && excludes_.excludes(standardInputName_);
}

bool ScriptWalk::enter(Folder folder, QString* error) {
  if (!listFolder(folder.native, &folder.entries, error)) return false;
  std::sort(folder.entries.begin(), folder.entries.end(), pathOrder);
  folders_.push_back(std::move(folder));
  return true;
}

bool ScriptWalk::namedBefore(const FileIdentity& file) {
  const std::pair<quint64, quint64> key{file.device, file.inode};
  if (namedFiles_.contains(key)) return true;
  namedFiles_.insert(key);
  return false;
}

bool ScriptWalk::next(ScriptEntry* entry) {
  for (;;) {
    if (!folders_.empty()) {
      Folder& folder = folders_.back();
      if (folder.next == folder.entries.size()) {
        folders_.pop_back();
        if (folders_.empty() && !namedHeldSome_ && !allowEmpty_) {
          *entry = named_;
          entry->error = QStringLiteral("no scripts (*.csm) found");
          return true;
        }
        continue;
      }
      const FolderEntry& found = folder.entries[folder.next++];
      const QString name = decodeNativePath(found.name);
      const QString relative = below(folder.relative, name);
      if (found.kind == FolderEntry::Kind::Folder) {
        if (name.startsWith(u'.')) continue;
        if (excludes_.matchesItself(relative)) {
          excludedAny_ = namedHeldSome_ = true;
          continue;
        }
        Folder inner{
            scriptNameIn(folder.path, name), joined(folder.native, found.name), relative, {}, 0};
        const QString path = inner.path;
        QString error;
        if (!enter(std::move(inner), &error)) {
          *entry = ScriptEntry{path, {}, false, error};
          namedHeldSome_ = true;
          return true;
        }
        continue;
      }
      const bool script =
          found.kind == FolderEntry::Kind::File || found.kind == FolderEntry::Kind::BrokenLink;
      if (!script || !name.endsWith(kScriptExtension, Qt::CaseInsensitive)) continue;
      if (excludes_.matchesItself(relative)) {
        excludedAny_ = namedHeldSome_ = true;
        continue;
      }
      // A link that cannot be followed changes nothing else: it is no
      // script found.
      if (found.kind == FolderEntry::Kind::BrokenLink) {
        *entry = ScriptEntry{scriptNameIn(folder.path, name),
                             joined(folder.native, found.name),
                             false,
                             found.reason,
                             false,
                             true};
        return true;
      }
      *entry = ScriptEntry{
          scriptNameIn(folder.path, name), joined(folder.native, found.name), false, {}, true};
      namedHeldSome_ = true;
      if (outputs_ && !outputs_->isEmpty()) {
        entry->error = outputs_->refusalFor(entry->nativePath);
        if (!entry->error.isEmpty()) {
          metAnOutput_ = true;
          folders_.clear();
          nextPath_ = paths_.size();
        }
      }
      return true;
    }
    if (nextPath_ == paths_.size()) return false;
    const QString given = paths_[nextPath_++];
    if (passesOver(given)) {
      excludedAny_ = true;
      continue;
    }
    if (given == QStringLiteral("-")) {
      if (FileIdentity input; identityOfStandardInput(&input) && namedBefore(input)) continue;
      *entry = ScriptEntry{standardInputName_, {}, true, {}};
      return true;
    }
    const QByteArray native = encodeNativePath(given);
    const QString path = scriptName(given);
    FolderEntry::Kind kind;
    QString error;
    FileIdentity file;
    if (!kindOfPath(native, &kind, &error, &file)) {
      *entry = ScriptEntry{path, native, false, error};
      return true;
    }
    if (kind == FolderEntry::Kind::Folder) {
      named_ = ScriptEntry{path, native, false, {}};
      namedHeldSome_ = false;
      if (!enter(Folder{path, native, excludes_.relativeOf(given), {}, 0}, &error)) {
        *entry = ScriptEntry{path, native, false, error};
        return true;
      }
      continue;
    }
    if (namedBefore(file)) continue;
    *entry = ScriptEntry{path, native, false, {}};
    return true;
  }
}
