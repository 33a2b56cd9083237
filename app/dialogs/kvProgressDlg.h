// The progress window shown, without blocking, while the library loads, merges, takes
// pages or saves. The library runs on the wizard's one thread, so the window paints
// itself from the progress handlers: pending paint events are processed (never input),
// at most every few milliseconds so that many small steps do not slow the work down.
#pragma once

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QProgressBar;

namespace kv {

class TfrmProgress : public QWidget {
 public:
  explicit TfrmProgress(QWidget* parent = nullptr);

  // Centres the window over its parent and shows it with the gauge at 0; nested calls
  // (a load inside a longer step) keep the one window until the outermost Finish.
  void Start();
  void Finish();
  void SetPosition(int percentage);
  void SetStatus(const QString& text);

  QLabel* StatusLine() const { return FStatus; }
  QProgressBar* Gauge() const { return FGauge; }

 private:
  // Lets the window repaint; `force` paints now, else only when a moment has passed.
  void Pump(bool force);

  QLabel* FCaption;
  QLabel* FStatus;
  QProgressBar* FGauge;
  QElapsedTimer FSincePump;
  int FDepth = 0;
};

// While alive: the busy cursor and the progress window.
class TkvBusyScope {
 public:
  explicit TkvBusyScope(TfrmProgress& progress);
  ~TkvBusyScope();
  TkvBusyScope(const TkvBusyScope&) = delete;
  TkvBusyScope& operator=(const TkvBusyScope&) = delete;

 private:
  TfrmProgress& FProgress;
};

}  // namespace kv
