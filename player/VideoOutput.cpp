// Video output into the panes' native windows, and the refresh that times pictures, reports the
// position and the end, and delivers the telemetry.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libavutil/time.h>
}

#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include "Engine.h"
#include "EngineConstants.h"
#include "EngineGlobals.h"
#include "Player.h"

namespace {

// How a frame's colours are coded, as the scaler takes them: the format without its full-range
// ("yuvj") alias, the range and the matrix (SWS_CS_*). A frame that does not name its matrix is
// BT.601, as the devices' own recordings have always been shown.
struct SourceColours {
  AVPixelFormat format;
  int full_range;
  int matrix;
};

SourceColours source_colours(const AVFrame* frame) {
  SourceColours c{AVPixelFormat(frame->format), frame->color_range == AVCOL_RANGE_JPEG, SWS_CS_ITU601};
  switch (c.format) {
    case AV_PIX_FMT_YUVJ420P: c.format = AV_PIX_FMT_YUV420P; c.full_range = 1; break;
    case AV_PIX_FMT_YUVJ422P: c.format = AV_PIX_FMT_YUV422P; c.full_range = 1; break;
    case AV_PIX_FMT_YUVJ444P: c.format = AV_PIX_FMT_YUV444P; c.full_range = 1; break;
    case AV_PIX_FMT_YUVJ440P: c.format = AV_PIX_FMT_YUV440P; c.full_range = 1; break;
    case AV_PIX_FMT_YUVJ411P: c.format = AV_PIX_FMT_YUV411P; c.full_range = 1; break;
    default: break;
  }
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(c.format);
  if (desc && (desc->flags & AV_PIX_FMT_FLAG_RGB)) c.full_range = 0;  // a range of YUV only
  switch (frame->colorspace) {
    case AVCOL_SPC_BT709: c.matrix = SWS_CS_ITU709; break;
    case AVCOL_SPC_FCC: c.matrix = SWS_CS_FCC; break;
    case AVCOL_SPC_SMPTE240M: c.matrix = SWS_CS_SMPTE240M; break;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL: c.matrix = SWS_CS_BT2020; break;
    default: break;
  }
  return c;
}

// The scaler from the frame to a w x h picture in the texture's format (YUV 4:2:0, BT.601, limited
// range), set up again only when the frame's size or colours or the target change. The ranges go
// in before the scaler is set up: given afterwards they are ignored where no scaling is needed (a
// frame already of the target size). A matrix other than BT.601 makes libswscale convert through
// RGB.
SwsContext* picture_scaler(PaneScaler& scaler, const AVFrame* frame, int w, int h) {
  const SourceColours src = source_colours(frame);
  const std::array<int64_t, 8> setup = {frame->width, frame->height, src.format, src.full_range, src.matrix,
                                        w,            h,             player_globals.scaler_flags};
  if (scaler.context && setup == scaler.setup) return scaler.context;
  sws_freeContext(scaler.context);
  scaler.context = sws_alloc_context();
  if (!scaler.context) return nullptr;
  const std::pair<const char*, int64_t> settings[] = {
      {"srcw", frame->width}, {"srch", frame->height}, {"src_format", src.format},
      {"src_range", src.full_range}, {"dstw", w}, {"dsth", h},
      {"dst_format", AV_PIX_FMT_YUV420P}, {"dst_range", 0}, {"sws_flags", player_globals.scaler_flags}};
  for (const auto& [name, value] : settings) av_opt_set_int(scaler.context, name, value, 0);
  if (sws_init_context(scaler.context, nullptr, nullptr) < 0) {
    sws_freeContext(scaler.context);
    scaler.context = nullptr;
    return nullptr;
  }
  sws_setColorspaceDetails(scaler.context, sws_getCoefficients(src.matrix), src.full_range,
                           sws_getCoefficients(SWS_CS_ITU601), 0, 0, 1 << 16, 1 << 16);
  scaler.setup = setup;
  return scaler.context;
}

// Screen size for the enlarged first video; the default size while the UI has not told it.
void screen_size(int* w, int* h) {
  *w = player_globals.screen_width;
  *h = player_globals.screen_height;
  if (*w <= 0 || *h <= 0) {
    *w = player_globals.out_width_default;
    *h = player_globals.out_height_default;
  }
}

// The pane's YUV 4:2:0 streaming texture of w x h, made anew only when the size changed.
int prepare_texture(SDL_Texture** slot, SDL_Renderer* renderer, int w, int h) {
  int old_w = 0, old_h = 0;
  if (*slot && SDL_QueryTexture(*slot, nullptr, nullptr, &old_w, &old_h) == 0 && old_w == w && old_h == h) return 0;
  if (*slot) SDL_DestroyTexture(*slot);
  *slot = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_IYUV, SDL_TEXTUREACCESS_STREAMING, w, h);
  if (!*slot) return -1;
  if (SDL_SetTextureBlendMode(*slot, SDL_BLENDMODE_NONE) < 0) return -1;
  av_log(nullptr, AV_LOG_VERBOSE, "Created %dx%d texture.\n", w, h);
  return 0;
}

int upload_picture(VideoState* vs, SDL_Texture** slot, AVFrame* frame, PaneScaler& scaler, int which) {
  int w, h;
  if (player_globals.zoom_mode) {
    if (which == 1) {
      w = vs->out_width2;
      h = vs->out_height2;
    } else {
      screen_size(&w, &h);
    }
  } else if (player_globals.fullscreen_video) {
    if (which == 1) return 0;
    screen_size(&w, &h);
  } else if (which == 1) {
    w = vs->out_width2;
    h = vs->out_height2;
  } else {
    w = vs->out_width;
    h = vs->out_height;
  }
  // Every format goes through the scaler into one YUV 4:2:0 texture, so a pane's texture is made
  // once and the colours are converted in one place whatever the recording holds.
  SDL_Renderer* renderer = which == 1 ? engine_globals.renderer2 : engine_globals.renderer;
  if (prepare_texture(slot, renderer, w, h) < 0) return -1;
  SwsContext* context = picture_scaler(scaler, frame, w, h);
  if (!context) return -1;
  if (frame->linesize[0] < 0 || frame->linesize[1] < 0 || frame->linesize[2] < 0) {
    av_log(nullptr, AV_LOG_ERROR, "Negative linesize is not supported for YUV.\n");
    return -1;
  }
  PictureBuffer& picture = vs->upload_buffer[which];
  if (!picture.ensure(w, h)) return -1;
  sws_scale(context, frame->data, frame->linesize, 0, frame->height, picture.planes, picture.pitches);
  return SDL_UpdateYUVTexture(*slot, nullptr, picture.planes[0], picture.pitches[0], picture.planes[1],
                              picture.pitches[1], picture.planes[2], picture.pitches[2]);
}

// Whether OpenGL on this display is a software rasteriser (Mesa's llvmpipe or softpipe, as under
// Xvfb and on machines without a GPU driver) or missing. Asked once per process, of a hidden 1x1
// GL window: the name of the GL renderer says it.
bool software_gl() {
  static const bool software = [] {
    SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!probe) return true;
    bool result = true;
    if (SDL_GLContext context = SDL_GL_CreateContext(probe)) {
      using GetString = const unsigned char* (*)(unsigned int);
      const auto get_string = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
      const unsigned int kGlRenderer = 0x1F01;
      const char* name = get_string ? reinterpret_cast<const char*>(get_string(kGlRenderer)) : nullptr;
      if (name) {
        const std::string text = name;
        result = text.find("llvmpipe") != std::string::npos || text.find("softpipe") != std::string::npos ||
                 text.find("Software Rasterizer") != std::string::npos;
        av_log(nullptr, AV_LOG_VERBOSE, "OpenGL renderer: %s.\n", name);
      }
      SDL_GL_DeleteContext(context);
    }
    SDL_DestroyWindow(probe);
    return result;
  }();
  return software;
}

// The render driver to use: the one set in render_driver_index, or named in SDL_RENDER_DRIVER
// (SDL then chooses by it); otherwise, where GL is rasterised in software, SDL's software
// renderer, which then draws straight into the X window (not through GL either): it costs about
// half the CPU of a GL renderer on llvmpipe. With a real GPU SDL chooses (-1).
int chosen_render_driver() {
  const int index = player_globals.render_driver_index;
  const char* named = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
  if (index >= 0 || (named && *named) || !software_gl()) return index;
  for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
    SDL_RendererInfo info;
    if (SDL_GetRenderDriverInfo(i, &info) == 0 && std::strcmp(info.name, "software") == 0) {
      SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
      return i;
    }
  }
  return index;
}

SDL_Renderer* create_renderer(SDL_Window* window, int driver) {
  // The scaler writes BT.601 limited range whatever the source: SDL must read the texture so.
  SDL_SetYUVConversionMode(SDL_YUV_CONVERSION_BT601);
  SDL_Renderer* r = SDL_CreateRenderer(window, driver,
                                       SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC |
                                           SDL_RENDERER_TARGETTEXTURE);
  if (!r) {
    av_log(nullptr, AV_LOG_WARNING, "Failed to initialize a hardware accelerated renderer: %s\n", SDL_GetError());
    r = SDL_CreateRenderer(window, -1, 0);
  }
  if (r) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(r, &info) == 0) av_log(nullptr, AV_LOG_VERBOSE, "Initialized %s renderer.\n", info.name);
  }
  return r;
}

// Size of the native window as the X server has it (SDL does not follow a foreign window).
bool native_size(SDL_Window* window, uint64_t id, int* w, int* h) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  XWindowAttributes attrs;
  if (!XGetWindowAttributes(info.info.x11.display, static_cast<::Window>(id), &attrs)) return false;
  *w = attrs.width;
  *h = attrs.height;
  return true;
}

// Whether to ask the X server for the surfaces' sizes at this picture. Each ask is a round trip:
// made once every 250 ms, and at every picture during the second after the full-screen flag
// changed, since the user interface resizes the front surface around that change.
bool time_to_check_sizes() {
  static int last_fullscreen = -1;
  static int64_t watch_until = 0;
  static int64_t next_check = 0;
  const int64_t now = av_gettime_relative();
  const int fullscreen = player_globals.fullscreen_video;
  if (fullscreen != last_fullscreen) {
    last_fullscreen = fullscreen;
    watch_until = now + 1000000;
  }
  if (now < watch_until || now >= next_check) {
    next_check = now + 250000;
    return true;
  }
  return false;
}

void destroy_renderer(SDL_Renderer** renderer, SDL_Texture** texture) {
  if (*texture) SDL_DestroyTexture(*texture);
  *texture = nullptr;
  if (*renderer) SDL_DestroyRenderer(*renderer);
  *renderer = nullptr;
}

// Wraps the native window `id` in an SDL window, once; again when the id or, when check_size is
// set, its size changed (re-wrapping is how the renderer learns a new surface size). Drops the
// renderer and texture that belonged to an old wrap. Returns false when no SDL window can be made.
bool wrap_window(SDL_Window** window, uint64_t* wrapped, uint64_t id, SDL_Renderer** renderer,
                 SDL_Texture** texture, bool check_size) {
  if (*window && *wrapped == id) {
    if (!check_size) return true;
    int sw, sh, nw, nh;
    SDL_GetWindowSize(*window, &sw, &sh);
    if (!native_size(*window, id, &nw, &nh) || (nw == sw && nh == sh)) return true;
  }
  destroy_renderer(renderer, texture);
  if (*window) SDL_DestroyWindow(*window);
  *window = nullptr;
  *wrapped = 0;
  if (!id) return false;
  // Leaves the foreign window's name and focus alone and lets it take a GL renderer.
  SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
  *window = SDL_CreateWindowFrom(reinterpret_cast<const void*>(static_cast<uintptr_t>(id)));
  if (!*window) return false;
  *wrapped = id;
  return true;
}

// Makes the renderers that are missing, after dropping both when the driver to use changed (the
// user chose another between playbacks).
void ensure_renderers(SDL_Texture** texture, SDL_Texture** texture2) {
  EngineGlobals& e = engine_globals;
  const int driver = chosen_render_driver();
  if (driver != e.renderer_driver) {
    destroy_renderer(&e.renderer, texture);
    destroy_renderer(&e.renderer2, texture2);
    e.renderer_driver = driver;
  }
  if ((e.window && !e.renderer) || (e.window2 && !e.renderer2)) SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
  if (e.window && !e.renderer) e.renderer = create_renderer(e.window, driver);
  if (e.window2 && !e.renderer2) e.renderer2 = create_renderer(e.window2, driver);
}

}  // namespace

int open_video_output(VideoState* vs) {
  EngineGlobals& e = engine_globals;
  vs->out_width = player_globals.out_width_default;
  vs->out_height = player_globals.out_height_default;
  const bool check_sizes = time_to_check_sizes();
  if (!wrap_window(&e.window, &e.window_native, player_globals.video_hwnd, &e.renderer, &vs->texture, check_sizes))
    return 1;
  if (vs->video2_index >= 0) {
    vs->out_width2 = 360;
    vs->out_height2 = 202;
    if (!wrap_window(&e.window2, &e.window2_native, player_globals.video2_hwnd, &e.renderer2, &vs->texture2,
                     check_sizes))
      return 1;
  }
  // The driver is settled where a playback starts (prepare_video_output); here only what a
  // re-wrap dropped is made again, without asking for the driver at every picture.
  if (!e.renderer || (vs->video2_index >= 0 && !e.renderer2)) ensure_renderers(&vs->texture, &vs->texture2);
  return 0;
}

void prepare_video_output() {
  EngineGlobals& e = engine_globals;
  SDL_Texture* no_texture = nullptr;
  wrap_window(&e.window, &e.window_native, player_globals.video_hwnd, &e.renderer, &no_texture, true);
  wrap_window(&e.window2, &e.window2_native, player_globals.video2_hwnd, &e.renderer2, &no_texture, true);
  ensure_renderers(&no_texture, &no_texture);
}

void destroy_textures(VideoState* vs) {
  if (vs->texture) SDL_DestroyTexture(vs->texture);
  if (vs->texture2) SDL_DestroyTexture(vs->texture2);
  vs->texture = vs->texture2 = nullptr;
}

void destroy_windows() {
  EngineGlobals& e = engine_globals;
  SDL_Texture* no_texture = nullptr;
  destroy_renderer(&e.renderer, &no_texture);
  destroy_renderer(&e.renderer2, &no_texture);
  if (e.window) SDL_DestroyWindow(e.window);
  if (e.window2) SDL_DestroyWindow(e.window2);
  e.window = e.window2 = nullptr;
  e.window_native = e.window2_native = 0;
}

bool draw_pictures(VideoState* vs) {
  EngineGlobals& e = engine_globals;
  const bool second = vs->video2_index >= 0;
  const bool second_out = second && e.renderer2;
  // A queue's last shown slot is its own only once it has shown a picture: before that it is
  // the slot its decoder is filling.
  DecodedItem* vp = vs->picture_queue.shown_held() ? vs->picture_queue.last_shown() : nullptr;
  DecodedItem* vp2 = second && vs->picture_queue2.shown_held() ? vs->picture_queue2.last_shown() : nullptr;
  // The swap flag outlives a playback; it only applies while there are two videos.
  if (player_globals.swap_videos && second) std::swap(vp, vp2);
  if (!vp || vp->drawn) return false;
  if (const DecodedItem* first = player_globals.swap_videos && second ? vp2 : vp) player_globals.picture_time = first->pts;
  if (vp->packet_size <= 0) return false;
  if (upload_picture(vs, &vs->texture, vp->frame, vs->scaler, 0) < 0) return false;
  if (second_out) {
    if (!vp2 || vp2->packet_size <= 0) return false;
    if (upload_picture(vs, &vs->texture2, vp2->frame, vs->scaler2, 1) < 0) return false;
  }
  vp->drawn = true;
  ++e.total_pictures_shown;

  SDL_Rect zoom_rect;
  int sw, sh;
  screen_size(&sw, &sh);
  zoom_rect.x = 3 * (sw / 10);
  zoom_rect.y = 3 * (sh / 10);
  zoom_rect.w = 4 * (sw / 10);
  zoom_rect.h = 4 * (sh / 10);
  const SDL_Rect* src = player_globals.zoom_mode ? &zoom_rect : nullptr;
  const SDL_RendererFlip flip = player_globals.flip_mode ? SDL_FLIP_HORIZONTAL : SDL_FLIP_NONE;

  // One clear per picture, after the logical size is set: it blackens the bars beside it.
  SDL_SetRenderDrawColor(e.renderer, 0, 0, 0, 255);
  SDL_RenderSetLogicalSize(e.renderer, vp->width, vp->height);
  SDL_RenderClear(e.renderer);
  SDL_RenderCopyEx(e.renderer, vs->texture, src, nullptr, 0, nullptr, flip);
  if (!second_out) return true;
  SDL_SetRenderDrawColor(e.renderer2, 0, 0, 0, 255);
  if (player_globals.fullscreen_video) {
    SDL_RenderClear(e.renderer2);  // the rear window shows black meanwhile
    return true;
  }
  SDL_RenderSetLogicalSize(e.renderer2, vp2->width, vp2->height);
  SDL_RenderClear(e.renderer2);
  SDL_RenderCopy(e.renderer2, vs->texture2, nullptr, nullptr);
  return true;
}

void show_video(VideoState* vs) {
  EngineGlobals& e = engine_globals;
  // Re-wraps when the pane's surface changed size (full screen); see time_to_check_sizes.
  open_video_output(vs);
  if (!e.renderer) return;
  const bool second = vs->video2_index > 0 && e.renderer2;
  if (draw_pictures(vs)) {
    SDL_RenderPresent(e.renderer);
    if (second) SDL_RenderPresent(e.renderer2);
  }
}

void redraw_last_picture(VideoState* vs) {
  if (vs->video_index < 0 || vs->display_mode != 0) return;
  // draw_pictures skips a picture already drawn; the frames stay in their queues until replaced.
  if (vs->picture_queue.shown_held()) vs->picture_queue.last_shown()->drawn = false;
  if (vs->video2_index >= 0 && vs->picture_queue2.shown_held()) vs->picture_queue2.last_shown()->drawn = false;
  show_video(vs);
}

double frame_duration(VideoState* vs, const DecodedItem* vp, const DecodedItem* next) {
  if (vp->serial != next->serial) return 0.0;
  const double d = next->pts - vp->pts;
  if (std::isnan(d) || d <= 0 || d > vs->max_credible_frame_duration) return vp->duration;
  return d;
}

double target_delay(double delay, VideoState* vs) {
  double diff = 0;
  if (effective_sync(*vs) != SYNC_VIDEO) {
    diff = vs->clock_video.read() - master_time(*vs);
    const double threshold = std::max(engine::kSyncThresholdMin, std::min(engine::kSyncThresholdMax, delay));
    if (!std::isnan(diff) && std::fabs(diff) < vs->max_credible_frame_duration) {
      if (diff <= -threshold)
        delay = std::max(0.0, delay + diff);
      else if (diff >= threshold && delay > engine::kFrameDuplicationThreshold)
        delay = delay + diff;
      else if (diff >= threshold)
        delay = 2 * delay;
    }
  }
  av_log(nullptr, AV_LOG_TRACE, "video: delay=%0.3f A-V=%f\n", delay, -diff);
  return delay;
}

void update_video_clock(VideoState* vs, double pts, int64_t /*pos*/, int serial) {
  vs->clock_video.set(pts, serial);
  vs->clock_external.follow(vs->clock_video);
}

int64_t position_permille(double t, int64_t duration_us) {
  if (std::isnan(t) || duration_us == AV_NOPTS_VALUE) return -1;
  const int64_t seconds = duration_us / 1000000;
  if (seconds < 1) return -1;
  return static_cast<int64_t>(t * 1000) / seconds;
}

int telemetry_walk(int last, int k, const std::function<void(int)>& deliver) {
  if (k < 0 || k == last) return last;
  // After a seek (back, or far ahead) nothing is due yet: the tick after the new position
  // comes with the clock's next step.
  if (k < last || k - last > engine::kTelemetryMaxTickJump) return k;
  // Ticks past k are not due yet and would come again with the next step.
  for (int tick = last + 1; tick <= k; tick += 2) deliver(tick);
  return k;
}

namespace {

void post_progress(VideoState* vs) {
  PlayerGlobals& g = player_globals;
  const int64_t now = av_gettime_relative();
  if (g.last_progress_time != 0 && now - g.last_progress_time < engine::kProgressIntervalUs) return;
  if (AVFormatContext* ic = vs->format_ctx) {
    const double t = master_time(*vs);
    const int64_t p = position_permille(t, ic->duration);
    if (p >= 0) post_message(kMsgPosition, p, 0);
    const int64_t s = std::isnan(t) ? -1 : static_cast<int64_t>(t);
    if (s != g.last_posted_second) {
      post_message(kMsgElapsed, 0, s);
      g.last_posted_second = s;
    }
  }
  g.last_progress_time = now;
}

void deliver_tick(int tick) {
  std::string text;
  if (!telemetry_lookup(tick, &text)) return;
  engine_globals.telemetry_text = text;
  if (player_globals.fullscreen_video || text.empty()) return;
  post_message(kMsgTelemetry, 0, 1, text);
  post_message(kMsgTelemetryMap, 0, 1, std::move(text));
}

// After a frame step: the position, the elapsed time and the telemetry of the picture it shows
// (the clocks ran for the step and may stand a little beside it).
void post_step_result(VideoState* vs, double pts) {
  PlayerGlobals& g = player_globals;
  if (AVFormatContext* ic = vs->format_ctx) {
    const int64_t p = position_permille(pts, ic->duration);
    if (p >= 0) post_message(kMsgPosition, p, 0);
  }
  const int64_t s = static_cast<int64_t>(pts);
  if (s != g.last_posted_second) {
    post_message(kMsgElapsed, 0, s);
    g.last_posted_second = s;
  }
  g.last_progress_time = av_gettime_relative();
  if (vs->text_index < 0) return;
  // Frame times are not always whole tenths in binary: a picture at 2.3 s belongs to tick 23.
  const int tick = static_cast<int>(std::floor(pts * 10 + 1e-6));
  deliver_tick(tick);
  g.last_telemetry_tick = tick;
}

// Delivers the telemetry of the current tenth of a second.
void post_telemetry(VideoState* vs) {
  const double t = master_time(*vs);
  if (std::isnan(t)) return;
  player_globals.last_telemetry_tick =
      telemetry_walk(player_globals.last_telemetry_tick, static_cast<int>(t * 10), deliver_tick);
}

}  // namespace

namespace {

// Brings the second video to the picture due at the first video's time `pts`. Advancing it one
// picture per first-video picture would let the two drift apart for good whenever one decoder
// dropped a late picture the other kept.
void advance_second_video(VideoState* vs, double pts) {
  DecodedQueue& q = vs->picture_queue2;
  bool advanced = false;
  while (q.pending() > 0) {
    const DecodedItem* next = q.current();
    const bool stale = next->serial != vs->video2_packets.serial();
    const bool due = std::isnan(pts) || std::isnan(next->pts) ? !advanced : next->pts <= pts + 0.001;
    if (!stale && !due) break;
    q.advance();
    advanced = !stale;
  }
}

// Whether the second video has a picture of the current serial (or has no more to come). A
// step shows both cameras at one moment, and after a seek the second one's first picture may
// still be decoding when the first one's is ready.
bool second_picture_ready(VideoState* vs) {
  DecodedQueue& q = vs->picture_queue2;
  while (q.pending() > 0 && q.current()->serial != vs->video2_packets.serial()) q.advance();
  return q.pending() > 0 || vs->at_end_of_file;
}

// Frees the text items whose time has passed at `pts`, which lets the text decoder go on.
void expire_texts(VideoState* vs, double pts) {
  if (vs->text_index < 0) return;
  while (vs->text_queue.pending() > 0) {
    DecodedItem* sp = vs->text_queue.current();
    DecodedItem* sp2 = vs->text_queue.pending() > 1 ? vs->text_queue.following() : nullptr;
    if (sp->serial != vs->text_packets.serial() || pts > sp->pts + float(sp->text_item.end_display_time) / 1000 ||
        (sp2 && pts > sp2->pts + float(sp2->text_item.start_display_time) / 1000)) {
      vs->text_queue.advance();
    } else {
      break;
    }
  }
}

}  // namespace

void refresh(VideoState* vs, double* remaining_time) {
  PlayerGlobals& g = player_globals;
  const double now_start = SyncClock::now();
  if (!vs->paused && effective_sync(*vs) == SYNC_EXTERNAL) adjust_external_speed(*vs);

  if (vs->display_mode != 0 && vs->audio_index >= 0) {
    if (vs->redraw_pending || vs->last_timed_redraw + g.timed_redraw_interval < now_start) {
      show_video(vs);
      vs->last_timed_redraw = now_start;
    }
    *remaining_time = std::min(*remaining_time, vs->last_timed_redraw + g.timed_redraw_interval - now_start);
  }
  // Without a first video no picture moves the texts on: the master clock does.
  if (vs->video_index < 0 && !vs->paused) expire_texts(vs, master_time(*vs));

  double stepped_to = NAN;  // the picture a frame step ended on in this turn
  if (vs->video_index >= 0) {
    const bool second = vs->video2_index >= 0;
    for (;;) {
      if (vs->picture_queue.pending() == 0) {
        if (vs->video_packets.count() != 0 || vs->at_end_of_file != 1) break;
        // The first video ended: show the rest of the second one's pictures as they are done.
        if (second) advance_second_video(vs, INFINITY);
        AVFormatContext* ic = vs->format_ctx;
        const double mt = master_time(*vs);
        const int64_t s = std::isnan(mt) ? 0 : static_cast<int64_t>(mt);
        const int64_t d = ic && ic->duration != AV_NOPTS_VALUE ? ic->duration / 1000000 : 0;
        const bool sound_still_playing = !vs->end_of_play && s < d && vs->clock_video.pts() >= d - 0.1;
        if (!sound_still_playing && !g.eof_notified) {
          post_message(kMsgEndOfFile, 0, 0);
          g.eof_notified = 1;
        }
        return;
      }
      DecodedItem* vp = vs->picture_queue.current();
      DecodedItem* lastvp = vs->picture_queue.last_shown();
      if (vp->serial != vs->video_packets.serial()) {
        vs->picture_queue.advance();
        continue;
      }
      if (lastvp->serial != vp->serial) vs->frame_due_time = SyncClock::now();
      if (vs->paused) break;
      if (vs->step_mode && second && !second_picture_ready(vs)) break;

      // Frame durations are content time; the master clock runs at the playback speed, so a
      // picture is due after its duration divided by that speed.
      const double speed = effective_sync(*vs) == SYNC_VIDEO ? 1.0 : std::max(1, g.playback_speed.load());
      const double last_duration = frame_duration(vs, lastvp, vp) / speed;
      const double delay = target_delay(last_duration, vs);
      const double time = SyncClock::now();
      if (time < vs->frame_due_time + delay) {
        *remaining_time = std::min(vs->frame_due_time + delay - time, *remaining_time);
        break;
      }
      vs->frame_due_time += delay;
      if (delay > 0 && time - vs->frame_due_time > engine::kSyncThresholdMax) vs->frame_due_time = time;

      {
        std::lock_guard lock(vs->picture_queue.mutex());
        if (!std::isnan(vp->pts)) update_video_clock(vs, vp->pts, vp->byte_pos, vp->serial);
      }

      if (vs->picture_queue.pending() > 1) {
        DecodedItem* nextvp = vs->picture_queue.following();
        const double duration = frame_duration(vs, vp, nextvp) / speed;
        const int drop = g.drop_pictures;
        if (!vs->step_mode && (drop > 0 || (drop != 0 && effective_sync(*vs) != SYNC_VIDEO)) &&
            time > vs->frame_due_time + duration) {
          ++vs->dropped_at_display;
          vs->picture_queue.advance();
          continue;
        }
      }

      expire_texts(vs, vs->clock_video.pts());

      vs->picture_queue.advance();
      if (second) advance_second_video(vs, vp->pts);
      vs->redraw_pending = 1;
      if (vs->step_mode && !vs->paused) {
        toggle_pause(vs);
        stepped_to = vp->pts;
      }
      break;
    }
    if (vs->redraw_pending && vs->display_mode == 0 && vs->picture_queue.shown_held()) {
      show_video(vs);
      // Sleep no longer than until the next picture is due (at high speed that is soon).
      if (!vs->paused && vs->picture_queue.pending() > 0) {
        const double speed = effective_sync(*vs) == SYNC_VIDEO ? 1.0 : std::max(1, g.playback_speed.load());
        const double due = vs->frame_due_time +
                           frame_duration(vs, vs->picture_queue.last_shown(), vs->picture_queue.current()) / speed;
        *remaining_time = std::min(*remaining_time, std::max(0.0, due - SyncClock::now()));
      }
    }
  }
  vs->redraw_pending = 0;

  if (g.status_enabled && !std::isnan(stepped_to)) {
    post_step_result(vs, stepped_to);
  } else if (g.status_enabled) {
    post_progress(vs);
    if (vs->text_index >= 0) post_telemetry(vs);
  }
}

void wait_event(VideoState* vs, SDL_Event* event) {
  double remaining = 0.0;
  SDL_PumpEvents();
  while (SDL_PeepEvents(event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) <= 0) {
    if (remaining > 0.0) av_usleep(static_cast<unsigned>(remaining * 1000000.0));
    remaining = engine::kRefreshInterval;
    if (vs->display_mode != -1 && (!vs->paused || vs->redraw_pending)) refresh(vs, &remaining);
    if (vs->abort_all || player_globals.quit_event_loop) {
      event->type = SDL_FIRSTEVENT;
      return;
    }
    SDL_PumpEvents();
  }
}
