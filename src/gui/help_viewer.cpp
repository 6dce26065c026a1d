#include "gui/help_viewer.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace sonatap::gui {

QStringList DocumentFolders() {
  const QString programFolder = QCoreApplication::applicationDirPath();
  return {QDir::currentPath(), programFolder, QDir::cleanPath(programFolder + "/../share/sonatap"),
          "/usr/share/sonatap"};
}

QString FindDocument(const QString& name, const QStringList& folders) {
  for (const QString& folder : folders) {
    const QString path = QDir(folder).absoluteFilePath(name);
    if (QFileInfo(path).isFile()) return path;
  }
  return {};
}

DocumentWindow::DocumentWindow(QWidget* parent) : QTextBrowser(parent) {
  setWindowFlags(Qt::Window);
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName("DocumentWindow");
  setWindowTitle("Sonatap - Help");
  setOpenExternalLinks(true);
  resize(640, 560);
}

void OpenDocumentFile(QWidget* parent, const QString& name) {
  const QStringList folders = DocumentFolders();
  const QString path = FindDocument(name, folders);
  if (!path.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(path))) return;

  auto* window = parent->findChild<DocumentWindow*>("DocumentWindow", Qt::FindDirectChildrenOnly);
  if (window == nullptr) window = new DocumentWindow(parent);
  if (path.isEmpty()) {
    QString text = "<p>The help document " + name.toHtmlEscaped() + " was not found. The program looks for it in:</p><ul>";
    for (const QString& folder : folders) text += "<li>" + QDir::toNativeSeparators(folder).toHtmlEscaped() + "</li>";
    window->setHtml(text + "</ul>");
  } else {
    window->setSource(QUrl::fromLocalFile(path));
  }
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace sonatap::gui
