#include "OpenDocuments.h"

#include <vector>

#include <QJsonArray>
#include <QJsonObject>
#include <QUrl>

#include "EditableText.h"
#include "EditorText.h"
#include "ProtocolValues.h"

namespace {

// Document versions and positions arrive as JSON; the text is held as UTF-8,
// lone surrogate halves as the editor has them, in no more room than it
// takes: the conversion makes room for three bytes a character, which a
// thousand open scripts would keep.
QByteArray utf8(const QString& text) {
  QByteArray bytes = editortext::fromUtf16(text);
  bytes.squeeze();
  return bytes;
}

}  // namespace

bool OpenDocuments::isScript(const QString& uri) {
  return QUrl(uri).path().endsWith(QLatin1StringView(".csm"), Qt::CaseInsensitive);
}

bool OpenDocuments::isTableFile(const QString& uri) {
  const QString path = QUrl(uri).path();
  const QStringView name = QStringView(path).sliced(path.lastIndexOf(u'/') + 1);
  return name == QLatin1StringView("tags.txt") || name == QLatin1StringView("param.txt");
}

namespace {

// The params of didOpen and didChange: a document with its uri and version.
struct VersionedParams {
  QJsonObject params;
  QJsonObject document;  // params.textDocument
  QString uri;
  qint64 version = 0;
};

bool readVersioned(const QJsonValue& params, VersionedParams* read, QString* problem) {
  const QString where = QStringLiteral("params.textDocument");
  return lsp::readObject(params, QStringLiteral("params"), &read->params, problem) &&
         lsp::readObject(read->params.value(QLatin1StringView("textDocument")), where,
                         &read->document, problem) &&
         lsp::readString(read->document, where, "uri", &read->uri, problem) &&
         lsp::readInteger(read->document, where, "version", &read->version, problem);
}

}  // namespace

OpenDocuments::Change OpenDocuments::readOpen(const QJsonValue& params) {
  Change read;
  VersionedParams versioned;
  QString text;
  read.opens = true;
  if (!readVersioned(params, &versioned, &read.problem) ||
      !lsp::readString(versioned.document, QStringLiteral("params.textDocument"), "text", &text,
                       &read.problem)) {
    return read;
  }
  read.uri = versioned.uri;
  read.version = versioned.version;
  read.script = isScript(read.uri) || isTableFile(read.uri);
  if (read.script) read.edits.push_back({true, {}, utf8(text)});
  return read;
}

OpenDocuments::Change OpenDocuments::readChange(const QJsonValue& params) {
  Change read;
  VersionedParams versioned;
  if (!readVersioned(params, &versioned, &read.problem)) return read;
  const QJsonValue changes = versioned.params.value(QLatin1StringView("contentChanges"));
  if (!changes.isArray()) {
    read.problem = QStringLiteral("params.contentChanges must be an array");
    return read;
  }
  read.uri = versioned.uri;
  read.version = versioned.version;
  read.script = isScript(read.uri) || isTableFile(read.uri);
  if (!read.script) return read;
  // Every change is read before any is made, so that a bad one changes nothing.
  const QJsonArray list = changes.toArray();
  for (qsizetype i = 0; i < list.size(); ++i) {
    const QString at = QStringLiteral("params.contentChanges[%1]").arg(i);
    QJsonObject change;
    QString text;
    if (!lsp::readObject(list[i], at, &change, &read.editProblem) ||
        !lsp::readString(change, at, "text", &text, &read.editProblem)) {
      return read;
    }
    Change::Edit edit{!change.contains(QLatin1StringView("range")), {}, utf8(text)};
    if (!edit.whole && !lsp::readRange(change, at, "range", &edit.range, &read.editProblem))
      return read;
    read.edits.push_back(std::move(edit));
  }
  return read;
}

QString OpenDocuments::open(const QJsonValue& params, QString* uri) {
  return make(readOpen(params), uri);
}

QString OpenDocuments::change(const QJsonValue& params, QString* uri) {
  return make(readChange(params), uri);
}

QString OpenDocuments::make(Change change, QString* uri) {
  if (!change.problem.isEmpty()) return change.problem;
  if (!change.script) return QString();
  const QString& name = change.uri;
  if (change.opens) {
    documents_[name] = Document{std::move(change.edits.front().text), change.version};
    *uri = name;
    return QString();
  }
  const auto found = documents_.find(name);
  if (found == documents_.end()) return QStringLiteral("%1 is not open").arg(name);
  if (!change.editProblem.isEmpty()) return change.editProblem;
  const std::vector<Change::Edit>& edits = change.edits;
  QByteArray& document = found->second.text;
  if (edits.size() == 1) {
    // One edit, as typing sends, is made in place: finding it costs no more
    // than reading up to it, less than finding every line start.
    const Change::Edit& edit = edits.front();
    if (edit.whole) {
      document = edit.text;
    } else {
      const TextPlace from = textpositions::placeOf(document, edit.range.start);
      const TextPlace to = textpositions::placeOf(document, edit.range.end);
      const QByteArrayView whole(document);
      const editortext::Splice splice = editortext::splice(
          whole.first(from.offset), whole.sliced(from.offset), from, to, edit.text);
      document.replace(from.offset - splice.takenBefore, splice.takenBefore + splice.takenAfter,
                       splice.bytes);
    }
  } else if (!edits.empty()) {
    EditableText text(std::move(document));
    for (const Change::Edit& edit : edits) {
      if (edit.whole) {
        text = EditableText(edit.text);
      } else {
        text.replace(edit.range, edit.text);
      }
    }
    document = text.take();
  }
  found->second.version = change.version;
  *uri = name;
  return QString();
}

QString OpenDocuments::close(const QJsonValue& params, QString* uri) {
  QString name;
  QString problem;
  if (!lsp::readDocumentUri(params, &name, &problem)) return problem;
  if (documents_.erase(name) > 0) *uri = name;
  return QString();
}

const OpenDocuments::Document* OpenDocuments::find(const QString& uri) const {
  const auto found = documents_.find(uri);
  return found == documents_.end() ? nullptr : &found->second;
}

QStringList OpenDocuments::uris() const {
  QStringList all;
  for (const auto& [uri, document] : documents_) all.append(uri);
  return all;
}
