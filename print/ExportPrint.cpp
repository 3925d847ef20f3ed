#include "print/ExportPrint.h"

#include <QFileDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include "app/FileDialogs.h"
#include "app/ModalDialog.h"
#include "commands/Commands.h"
#include "platform/CommandOwner.h"
#include "print/CPreview.h"
#include "print/ListLayout.h"

namespace {

// The size a printed list is read at.
constexpr qreal kPrintPointSize = 10;

}  // namespace

void ExportTextWithDialog(QWidget* owner, Session& session) {
  const std::unique_ptr<QFileDialog> dialog = MakeExportDialog(owner);
  const std::optional<std::string> path = ChooseFile(*dialog);
  if (!path) return;
  commands::Export(session, *path);
}

bool PrintList(QPrinter& printer, const std::string& list) {
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const ListLayout layout(ListLayout::Font(kPrintPointSize), &printer);
  painter.setFont(layout.GetFont());
  painter.setPen(Qt::black);
  const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
  const int lineHeight = layout.LineHeight();
  const int perPage = std::max(1, page.height() / lineHeight);
  int onPage = 0;
  for (const QString& line : PreviewLines(list)) {
    if (onPage == perPage) {
      if (!printer.newPage()) return false;
      onPage = 0;
    }
    layout.Draw(painter, 0, onPage * lineHeight, line);
    ++onPage;
  }
  return painter.end();
}

void PrintExported(QWidget* owner, Session& session) {
  const Places& places = session.GetPlaces();
  places.EnsureStateFolder();
  const std::string file = places.WorkingFile(Places::kPrintFile);
  if (commands::Export(session, file) != commands::Outcome::kDone) return;
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QString::fromLatin1(Places::kPrintFile));
  QPrintDialog dialog(&printer, owner);
  dialog.setWindowTitle(QStringLiteral("Print exported favorites"));
  if (RunModal(dialog) != QDialog::Accepted) return;
  if (!PrintList(printer, commands::LocalListText(session))) {
    session.Owner().Tell(
        "The favorites could not be printed. Check the printer or the file "
        "name in the print dialog and try again.",
        CommandOwner::Notice::kError);
  }
}
