// The template editor's canvas as the user sees it, on the offscreen platform:
// a 1000 x 1000 template with 20 objects (texts and colour-keyed pictures,
// half of them half transparent), all selected. A full repaint composes the
// template again (after any change); a drag repaint only moves the outlines
// over the composed canvas. Both are whole synchronous paints of the widget.

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include "bench_templates.h"
#include "editor/editor_canvas.h"

namespace imbrino {
namespace {

struct Canvas {
  Template document = bench::busyTemplate();
  TemplateEditing editing{document};
  EditorCanvas widget{editing, {}};
  QImage screen;

  // One whole paint of the client area, as the window system asks for it.
  void paint() { widget.viewport()->render(&screen); }

  Canvas() {
    widget.resize(1280, 1000);
    widget.show();
    widget.setUpScrollBars();
    setAllSelected(document, 1);
    screen = QImage(widget.viewport()->size(), QImage::Format_RGB32);
  }
};

void BM_FullRepaint(benchmark::State& state) {
  Canvas canvas;
  for (auto _ : state) {
    canvas.widget.templateChanged();
    canvas.paint();
  }
}

void BM_DragRepaint(benchmark::State& state) {
  Canvas canvas;
  canvas.paint();
  // A press on the topmost picture starts moving the whole selection.
  const QPointF start(460, 560);
  QMouseEvent press(QEvent::MouseButtonPress, start, start, Qt::LeftButton, Qt::LeftButton, {});
  QApplication::sendEvent(canvas.widget.viewport(), &press);
  canvas.paint();
  if (canvas.editing.dragMode() != DragMode::Move) state.SkipWithError("no drag started");
  int step = 0;
  for (auto _ : state) {
    const QPointF to(460 + (step % 200), 560 + (step % 150));
    ++step;
    QMouseEvent move(QEvent::MouseMove, to, to, Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(canvas.widget.viewport(), &move);
    canvas.paint();
  }
}

BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DragRepaint)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace imbrino

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
