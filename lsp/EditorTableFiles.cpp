#include "EditorTableFiles.h"

#include <QDir>

#include "EditorText.h"
#include "MemorySource.h"
#include "NativePath.h"

bool EditorTableFiles::serves(const QString& path) const {
  QByteArray ignored;
  return textOf_(QDir::cleanPath(path), &ignored);
}

std::unique_ptr<ByteSource> EditorTableFiles::editorText(const QString& path) const {
  QByteArray text;
  if (!textOf_(QDir::cleanPath(path), &text)) return nullptr;
  // A lone surrogate half, which the file would not hold, reads as the
  // editor saves it.
  return std::make_unique<MemorySource>(editortext::forChecking(text));
}

std::unique_ptr<ByteSource> EditorTableFiles::open(const QString& path, QString* error) {
  if (auto text = editorText(path)) return text;
  return disk_.open(path, error);
}

std::unique_ptr<ByteSource> EditorTableFiles::openNative(const QByteArray& path, QString* error) {
  if (auto text = editorText(decodeNativePath(path))) return text;
  return disk_.openNative(path, error);
}

std::unique_ptr<ByteSource> EditorTableFiles::openListedFile(const QByteArray& path,
                                                             QString* error) {
  if (auto text = editorText(decodeNativePath(path))) return text;
  return disk_.openListedFile(path, error);
}

std::unique_ptr<ByteSource> EditorTableFiles::openScriptFile(const QString& path, QString* error) {
  if (auto text = editorText(path)) return text;
  return disk_.openScriptFile(path, error);
}

std::unique_ptr<ByteSource> EditorTableFiles::openFile(const QString& path, QString* error) {
  if (auto text = editorText(path)) return text;
  return disk_.openFile(path, error);
}
