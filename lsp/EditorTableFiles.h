#pragma once

#include <functional>

#include <QByteArray>
#include <QString>

#include "DiskFileSystem.h"
#include "FileSystem.h"

// The files as the editor holds them: a table the editor has open is read
// from its text, every other file from the disk. The table loader and the
// table checks read through it, so that what the keeper types is read by
// the one loader and checked by the one set of checks, with no copy of
// either here.
class EditorTableFiles : public FileSystem {
 public:
  // The editor's text of the file at `path` (absolute, clean), UTF-8; false
  // when the editor holds no text that stands for it.
  using TextOf = std::function<bool(const QString& path, QByteArray* text)>;

  explicit EditorTableFiles(TextOf textOf) : textOf_(std::move(textOf)) {}

  // Whether `path` is read from the editor's text.
  bool serves(const QString& path) const;

  std::unique_ptr<ByteSource> open(const QString& path, QString* error) override;
  std::unique_ptr<ByteSource> openNative(const QByteArray& path, QString* error) override;
  std::unique_ptr<ByteSource> openListedFile(const QByteArray& path, QString* error) override;
  std::unique_ptr<ByteSource> openScriptFile(const QString& path, QString* error) override;
  std::unique_ptr<ByteSource> openFile(const QString& path, QString* error) override;

 private:
  std::unique_ptr<ByteSource> editorText(const QString& path) const;

  TextOf textOf_;
  DiskFileSystem disk_;
};
