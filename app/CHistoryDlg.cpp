#include "app/CHistoryDlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/DialogUnits.h"

CHistoryDlg::CHistoryDlg(const std::vector<commands::HistoryEntry>& entries, QWidget* parent)
    : QDialog(parent), m_list(new QTreeWidget(this)), m_show(new QPushButton("&Show", this)) {
  setWindowTitle("Server history");
  const DialogUnits du(font());
  auto* layout = new QVBoxLayout(this);
  auto* intro =
      new QLabel(entries.empty() ? "No copy of the server's favorites is kept yet. Each download, "
                                   "and each upload that replaces a copy, keeps one here."
                                 : "Copies of the server's favorites kept on this machine, the "
                                   "newest first. Show one as the server copy, then synchronise "
                                   "from it as usual.",
                 this);
  intro->setWordWrap(true);
  layout->addWidget(intro);

  m_list->setColumnCount(2);
  m_list->setHeaderLabels({"Kept", "How"});
  m_list->setRootIsDecorated(false);
  m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  for (const commands::HistoryEntry& entry : entries) {
    auto* item = new QTreeWidgetItem(m_list);
    item->setText(0, QString::fromStdString(entry.time));
    item->setText(1, QString::fromStdString(entry.origin));
  }
  layout->addWidget(m_list);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(m_show, QDialogButtonBox::AcceptRole);
  buttons->addButton(QDialogButtonBox::Close);
  layout->addWidget(buttons);
  connect(m_show, &QPushButton::clicked, this, &CHistoryDlg::OnShow);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_list, &QTreeWidget::itemDoubleClicked, this, &CHistoryDlg::OnShow);

  m_show->setEnabled(!entries.empty());
  if (!entries.empty()) m_list->setCurrentItem(m_list->topLevelItem(0));
  resize(du.Size(220, 150));
}

void CHistoryDlg::OnShow() {
  QTreeWidgetItem* item = m_list->currentItem();
  if (!item) return;
  m_chosen = m_list->indexOfTopLevelItem(item);
  accept();
}
