#include "OutputTargets.h"

#include "NativePath.h"
#include "OutputFile.h"

void OutputTargets::add(const QString& path) {
  FileIdentity identity;
  if (OutputFile::replacedFile(encodeNativePath(path), &identity))
    outputs_.push_back({path, identity});
}

QString OutputTargets::refusalOf(const FileIdentity& read) const {
  for (const Output& output : outputs_) {
    if (output.identity == read)
      return QStringLiteral("Is the same file as the output %1: nothing is written")
          .arg(output.path);
  }
  return QString();
}

QString OutputTargets::refusalFor(const QByteArray& path) const {
  FileIdentity identity;
  if (outputs_.empty() || !identityOf(path, &identity)) return QString();
  return refusalOf(identity);
}

QString OutputTargets::refusalForStandardInput() const {
  FileIdentity identity;
  if (outputs_.empty() || !identityOfStandardInput(&identity)) return QString();
  return refusalOf(identity);
}
