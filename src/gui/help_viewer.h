#pragma once
// The program's documents: found in the working folder, beside the program or
// where the package installs them, and opened by the system's viewer, or in a
// window of the program's own when the system has none.
#include <QString>
#include <QStringList>
#include <QTextBrowser>

namespace sonatap::gui {

// The folders searched, in order: the working folder, the program's folder,
// ../share/sonatap from there, /usr/share/sonatap.
QStringList DocumentFolders();

// The first folder's copy of `name`, or "" when none holds it.
QString FindDocument(const QString& name, const QStringList& folders);

// "Sonatap - Help": a plain browser window for a document.
class DocumentWindow final : public QTextBrowser {
 public:
  explicit DocumentWindow(QWidget* parent);
};

// Opens document `name` with the system's viewer; when that cannot be done,
// or the document is missing, shows it (or says where it was looked for) in
// a DocumentWindow, a child of `parent`, reused while it lives.
void OpenDocumentFile(QWidget* parent, const QString& name);

}  // namespace sonatap::gui
