#include "app/dialogs/kvProgressDlg.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "app/dialogs/kvDialogsConsts.h"

namespace kv {

namespace {
// Long enough that a 10 000-page merge spends its time merging, short enough that the
// gauge moves smoothly to the eye.
constexpr qint64 kPumpIntervalMs = 40;
}  // namespace

TfrmProgress::TfrmProgress(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("frmProgress");
  setWindowTitle(ui::SProgressCaption);
  FCaption = new QLabel(ui::SStatusCaption, this);
  FStatus = new QLabel(this);
  FStatus->setObjectName("lblStatus");
  FStatus->setMinimumWidth(320);
  FGauge = new QProgressBar(this);
  FGauge->setObjectName("pbGauge");
  FGauge->setRange(0, 100);
  auto* line = new QHBoxLayout;
  line->addWidget(FCaption);
  line->addWidget(FStatus, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(line);
  layout->addWidget(FGauge);
  FSincePump.start();
}

void TfrmProgress::Start() {
  if (FDepth++ > 0) return;
  FGauge->setValue(0);
  FStatus->clear();
  adjustSize();
  QWidget* anchor = parentWidget() ? parentWidget()->window() : nullptr;
  QRect area = anchor ? anchor->frameGeometry()
                      : (QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                          : QRect(0, 0, 800, 600));
  move(area.center() - rect().center());
  show();
  raise();
  Pump(true);
}

void TfrmProgress::Finish() {
  if (FDepth > 0 && --FDepth == 0) hide();
}

void TfrmProgress::SetPosition(int percentage) {
  FGauge->setValue(std::clamp(percentage, 0, 100));
  Pump(false);
}

void TfrmProgress::SetStatus(const QString& text) {
  FStatus->setText(text);
  if (isVisible()) {
    FCaption->repaint();
    FStatus->repaint();
  }
  Pump(false);
}

void TfrmProgress::Pump(bool force) {
  if (!isVisible()) return;
  if (!force && FSincePump.elapsed() < kPumpIntervalMs) return;
  FSincePump.restart();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

TkvBusyScope::TkvBusyScope(TfrmProgress& progress) : FProgress(progress) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  FProgress.Start();
}

TkvBusyScope::~TkvBusyScope() {
  FProgress.Finish();
  QApplication::restoreOverrideCursor();
}

}  // namespace kv
