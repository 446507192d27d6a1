// Composing one full frame of typical layers: a view that fills the whole
// page, an overlay of a few boxes and lines, and a translucent readout bar
// (no text). Measured three ways:
//  - BM_ViewComposeFrame: the real view task composes and shows an expedited
//    page (request, compose into a free display page, show it); one
//    iteration ends when the page is on display;
//  - BM_ViewDrawLayersOnly: the same three draw callbacks called straight on
//    one page, without the view task;
//  - BM_Memcpy960000: the baseline, one memcpy of a 960,000-byte frame (the
//    physical floor of touching every pixel once).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <string.h>

#include <thread>
#include <vector>

#include "lsvc/lsvc.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_line.h"
#include "source/core/h_database.h"
#include "source/graphics/h_display.h"
#include "source/platform/host/host_fb.h"
#include "source/graphics/t_view.h"
#include "source/graphics/u_view.h"

namespace {

constexpr size_t FRAME_BYTES = 960000;

void vBackground(BITMAP* page, const WINDOW_SPECIFICATION* ws) {
  const WINDOW_LOCATION& w = ws->drawWindow;
  G_BOX_vDrawFilled(page, 0x0210, POINT{w.s32ClipLeft, w.s32ClipBottom}, (U32)(w.s32ClipRight - w.s32ClipLeft + 1),
                    (U32)(w.s32ClipTop - w.s32ClipBottom + 1));
}

void vBoxesAndLines(BITMAP* page, const WINDOW_SPECIFICATION*) {
  for (int i = 0; i < 4; ++i) {
    G_BOX_vDrawFilled(page, 0xF800, POINT{40 + 180 * i, 300}, 120, 80);
    G_BOX_vDraw(page, 0xFFFF, POINT{40 + 180 * i, 300}, 120, 80);
  }
  for (int i = 0; i < 8; ++i) {
    G_LINE_vDraw(page, 0xFFE0, POINT{0, 120 + 20 * i}, POINT{799, 200 + 20 * i});
    G_LINE_vDraw(page, 0x07FF, POINT{100 * i, 0}, POINT{100 * i, 599});
  }
}

void vReadoutBar(BITMAP* page, const WINDOW_SPECIFICATION*) {
  G_BOX_vDrawFilledAlpha(page, 0x0000, POINT{0, 0}, 800, 105, 86);
}

struct ViewTask {
  ViewTask() {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("TESSIX_SCREEN_DIR");
    opt_nolog = 1;  // no trace lines between the results
    H_DATABASE_vInit();
    L_MBOX_DefineSema(M_VIEW, SEMA_MBOX_VIEW);
    H_DISPLAY_vInitScreen(M_DISPLAY);
    L_TASK_Start(TASK_VIEWTASK);
    U32 mailbox = 0;
    while (!H_DATABASE_bFetchU32(FCID("TVUE"), &mailbox)) std::this_thread::yield();
    U_VIEW_bRegisterLayer(vBackground, CHART_VIEW_PRIORITY, USED_BY_NONE, 0, 0, TRUE, nullptr, nullptr, nullptr);
    U_VIEW_bRegisterLayer(vBoxesAndLines, INFO_CHART_LAYER, CHART_VIEW_PRIORITY, 0, 0, TRUE, nullptr, nullptr,
                          nullptr);
    U_VIEW_bRegisterLayer(vReadoutBar, INFO_MEGA_DIGIT_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr, nullptr);
    const U32 pans = HOST_FB_u32PanCount();
    H_DATABASE_bUpdateValueS32(FCID("CVEW"), CHART_VIEW_PRIORITY, P_NORMAL);
    while (HOST_FB_u32PanCount() == pans) std::this_thread::yield();
  }
};

void BM_ViewDrawLayersOnly(benchmark::State& state) {
  std::vector<U32> pixels(FRAME_BYTES / 4);
  BITMAP* page = G_BUFFERS_pCreateFullScreenBitmapHeader();
  page->pBuffer = pixels.data();
  WINDOW_SPECIFICATION ws = {};
  ws.drawWindow = WINDOW_LOCATION{0, G_SCREEN_HEIGHT - 1, G_SCREEN_WIDTH - 1, 0};
  for (auto _ : state) {
    vBackground(page, &ws);
    vBoxesAndLines(page, &ws);
    vReadoutBar(page, &ws);
    benchmark::DoNotOptimize(pixels.data());
    benchmark::ClobberMemory();
  }
  G_BUFFERS_vFreeFullScreenBitmapHeader(page);
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)FRAME_BYTES);
}
BENCHMARK(BM_ViewDrawLayersOnly);

void BM_Memcpy960000(benchmark::State& state) {
  std::vector<U8> from(FRAME_BYTES, 0x5A), to(FRAME_BYTES);
  for (auto _ : state) {
    memcpy(to.data(), from.data(), FRAME_BYTES);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)FRAME_BYTES);
}
BENCHMARK(BM_Memcpy960000);

void BM_ViewComposeFrame(benchmark::State& state) {
  static ViewTask task;
  for (auto _ : state) {
    const U32 pans = HOST_FB_u32PanCount();
    T_VIEW_vRequestExpeditedViewUpdate();
    while (HOST_FB_u32PanCount() == pans) std::this_thread::yield();
  }
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)FRAME_BYTES);
}
BENCHMARK(BM_ViewComposeFrame)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
