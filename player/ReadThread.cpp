// Opening a recording, the read thread that feeds the packet queues, and closing.

#include <cmath>
#include <cstring>

extern "C" {
#include <libavutil/time.h>
}

#include "Engine.h"
#include "EngineConstants.h"
#include "EngineGlobals.h"
#include "Player.h"
#include "TelemetrySample.h"

namespace {

void push_exit_event(VideoState* vs) {
  SDL_Event event{};
  event.type = kEventExit;
  event.user.code = vs->generation;
  SDL_PushEvent(&event);
}

void wait_reader(VideoState* vs, std::mutex& wait_mutex) {
  std::unique_lock lock(wait_mutex);
  vs->reader_wakeup.wait_for(lock, std::chrono::milliseconds(engine::kReaderWaitMs));
}

bool decoder_done(const StreamDecoder& decoder, const DemuxQueue& packets, const DecodedQueue& frames,
                  bool open) {
  return !open || (decoder.finished == packets.serial() && frames.pending() == 0);
}

// Streams chosen and opened; returns the thread result (0, or negative before the loop).
int read_loop(VideoState* vs, AVFormatContext* ic, std::mutex& wait_mutex) {
  PlayerGlobals& g = player_globals;
  AVPacket* pkt = av_packet_alloc();
  if (!pkt) return -12;
  int ret = 0;
  while (!vs->abort_all) {
    if (vs->paused != vs->demux_paused) {
      vs->demux_paused = vs->paused;
      vs->demux_pause_result = vs->demux_paused ? av_read_pause(ic) : av_read_play(ic);
    }

    if (vs->seek_pending) {
      const int64_t target = vs->seek_target;
      const int64_t increment = vs->seek_increment;
      const int64_t min = increment > 0 ? target - increment + 2 : INT64_MIN;
      const bool exact = vs->seek_exact;
      const int64_t max = exact ? target : increment < 0 ? target - increment - 2 : INT64_MAX;
      const int flags = vs->seek_mode_flags;
      if (avformat_seek_file(ic, -1, min, target, max, flags) < 0) {
        av_log(nullptr, AV_LOG_ERROR, "%s: error while seeking\n", ic->url);
      } else {
        struct Open {
          int index;
          DemuxQueue* queue;
        } opened[] = {{vs->audio_index, &vs->audio_packets},
                      {vs->text_index, &vs->text_packets},
                      {vs->video_index, &vs->video_packets},
                      {vs->video2_index, &vs->video2_packets}};
        for (const Open& o : opened) {
          if (o.index < 0) continue;
          o.queue->flush();
          o.queue->put(flush_marker());
        }
        vs->exact_target = target / 1000000.0;
        vs->exact_video_serial = exact ? vs->video_packets.serial() : -1;
        vs->exact_video2_serial = exact ? vs->video2_packets.serial() : -1;
        vs->exact_audio_serial = exact ? vs->audio_packets.serial() : -1;
        if (flags & AVSEEK_FLAG_BYTE)
          vs->clock_external.set(NAN, 0);
        else
          vs->clock_external.set(target / 1000000.0, 0);
      }
      vs->seek_pending = 0;
      vs->attached_pics_pending = 1;
      vs->at_end_of_file = 0;
      vs->end_of_play = 0;
      if (vs->paused) step_to_next_frame(vs);
    }

    if (vs->attached_pics_pending) {
      if (vs->video_stream_ptr && (vs->video_stream_ptr->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
        AVPacket* copy = av_packet_clone(&vs->video_stream_ptr->attached_pic);
        if (!copy) {
          ret = AVERROR(ENOMEM);
          break;
        }
        vs->video_packets.put(copy);
        av_packet_free(&copy);
        vs->video_packets.put_empty(vs->video_index);
      }
      // Only a real attached picture is queued: for an ordinary second video the empty
      // reference and the drain packet would mark its decoder finished after every seek.
      if (vs->video2_stream_ptr && (vs->video2_stream_ptr->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
        AVPacket* copy = av_packet_clone(&vs->video2_stream_ptr->attached_pic);
        if (!copy) {
          ret = AVERROR(ENOMEM);
          break;
        }
        vs->video2_packets.put(copy);
        av_packet_free(&copy);
        vs->video2_packets.put_empty(vs->video2_index);
      }
      vs->attached_pics_pending = 0;
    }

    const int64_t queued = int64_t(vs->audio_packets.size()) + vs->video_packets.size() + vs->text_packets.size();
    if (queued > engine::kQueueByteLimit ||
        (has_enough_packets(vs->audio_stream_ptr, vs->audio_index, vs->audio_packets) &&
         has_enough_packets(vs->video2_stream_ptr, vs->video2_index, vs->video2_packets) &&
         has_enough_packets(vs->video_stream_ptr, vs->video_index, vs->video_packets) &&
         has_enough_packets(vs->text_stream_ptr, vs->text_index, vs->text_packets))) {
      wait_reader(vs, wait_mutex);
      continue;
    }

    if (!vs->paused &&
        decoder_done(vs->audio_decoder, vs->audio_packets, vs->sample_queue, vs->audio_stream_ptr) &&
        decoder_done(vs->video_decoder, vs->video_packets, vs->picture_queue, vs->video_stream_ptr) &&
        decoder_done(vs->video2_decoder, vs->video2_packets, vs->picture_queue2, vs->video2_stream_ptr)) {
      int count = g.play_count;
      if (count != 1 && (count == 0 || --count != 0)) {
        g.play_count = count;
        const int64_t start = g.play_start != AV_NOPTS_VALUE ? g.play_start.load() : 0;
        request_seek(vs, start, 0, false);
      } else if (g.stop_at_end) {
        if (ic->pb) ic->pb->eof_reached = 1;
        vs->end_of_play = 1;
      }
    }

    const int read = av_read_frame(ic, pkt);
    if (read < 0) {
      if ((read == AVERROR_EOF || avio_feof(ic->pb)) && !vs->at_end_of_file) {
        if (vs->video_index >= 0) vs->video_packets.put_empty(vs->video_index);
        if (vs->video2_index >= 0) vs->video2_packets.put_empty(vs->video2_index);
        if (vs->audio_index >= 0) vs->audio_packets.put_empty(vs->audio_index);
        if (vs->text_index >= 0) vs->text_packets.put_empty(vs->text_index);
        vs->at_end_of_file = 1;
      }
      if (ic->pb && ic->pb->error) break;
      wait_reader(vs, wait_mutex);
      continue;
    }
    vs->at_end_of_file = 0;

    const AVStream* st = ic->streams[pkt->stream_index];
    bool in_range = true;
    if (g.play_length != AV_NOPTS_VALUE) {
      const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
      const int64_t start_time = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
      const double start = g.play_start != AV_NOPTS_VALUE ? g.play_start / 1000000.0 : 0.0;
      in_range = (ts - start_time) * av_q2d(st->time_base) - start <= g.play_length / 1000000.0;
    }
    const int index = pkt->stream_index;
    if (index == vs->audio_index && in_range) {
      vs->audio_packets.put(pkt);
    } else if (index == vs->video_index && in_range &&
               !(vs->video_stream_ptr->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
      vs->video_packets.put(pkt);
    } else if (index == vs->video2_index && in_range) {
      vs->video2_packets.put(pkt);
    } else if (index == vs->text_index && in_range && pkt->size >= kMinTelemetrySampleBytes) {
      vs->text_packets.put(pkt);
    } else {
      av_packet_unref(pkt);
    }
  }
  av_packet_free(&pkt);
  return ret;
}

int read_thread_body(VideoState* vs) {
  PlayerGlobals& g = player_globals;
  std::mutex wait_mutex;

  int stream_choice[AVMEDIA_TYPE_NB];
  std::fill(std::begin(stream_choice), std::end(stream_choice), -1);
  vs->video_index = vs->video2_index = vs->audio_index = vs->text_index = -1;
  vs->at_end_of_file = 0;

  AVFormatContext* ic = avformat_alloc_context();
  if (!ic) {
    av_log(nullptr, AV_LOG_FATAL, "Could not allocate context.\n");
    return -12;
  }
  ic->interrupt_callback.callback = interrupt_check;
  ic->interrupt_callback.opaque = vs;
  if (avformat_open_input(&ic, vs->path.c_str(), vs->forced_format, nullptr) < 0) {
    // avformat_open_input frees the context on failure.
    // An opening cut short by a stop is no failure of the file.
    if (!vs->abort_all) post_message(kMsgOpenFailed, 1, 0);
    return 0;
  }
  // Decided for each file, before any seek can be asked for: the option stays the user's.
  const bool discontinuous = ic->iformat->flags & AVFMT_TS_DISCONT;
  vs->byte_seeking = g.byte_seeking >= 0 ? g.byte_seeking.load()
                                         : discontinuous && std::strcmp("ogg", ic->iformat->name) != 0 ? 1 : 0;
  vs->format_ctx = ic;
  if (g.generate_pts) ic->flags |= AVFMT_FLAG_GENPTS;
  av_format_inject_global_side_data(ic);

  if (avformat_find_stream_info(ic, nullptr) < 0) {
    av_log(nullptr, AV_LOG_WARNING, "%s: could not find codec parameters\n", vs->path.c_str());
    if (ic->nb_streams > 0 && ic->streams[0]->duration != AV_NOPTS_VALUE)
      ic->duration = static_cast<int64_t>(ic->streams[0]->duration * av_q2d(ic->streams[0]->time_base) * 1000000.0);
  }
  if (ic->pb) ic->pb->eof_reached = 0;

  vs->max_credible_frame_duration = discontinuous ? 10.0 : 3600.0;

  if (g.play_start != AV_NOPTS_VALUE) {
    int64_t ts = g.play_start;
    if (ic->start_time != AV_NOPTS_VALUE) ts += ic->start_time;
    avformat_seek_file(ic, -1, INT64_MIN, ts, INT64_MAX, 0);
  }
  if (g.status_enabled) av_dump_format(ic, 0, vs->path.c_str(), 0);

  for (unsigned i = 0; i < ic->nb_streams; ++i) ic->streams[i]->discard = AVDISCARD_ALL;

  stream_choice[AVMEDIA_TYPE_AUDIO] = av_find_best_stream(ic, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  stream_choice[AVMEDIA_TYPE_SUBTITLE] = av_find_best_stream(ic, AVMEDIA_TYPE_SUBTITLE, -1, -1, nullptr, 0);
  int first_video = -1, second_video = -1;
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    if (ic->streams[i]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
    if (first_video < 0) {
      first_video = static_cast<int>(i);
    } else {
      second_video = static_cast<int>(i);
      break;
    }
  }
  if (second_video <= 0) {
    stream_choice[AVMEDIA_TYPE_VIDEO] = first_video;
  } else {
    stream_choice[AVMEDIA_TYPE_VIDEO] = std::min(first_video, second_video);
    stream_choice[AVMEDIA_TYPE_DATA] = std::max(first_video, second_video);
  }

  int level = 0;
  if (stream_choice[AVMEDIA_TYPE_VIDEO] >= 0) {
    if (ic->streams[stream_choice[AVMEDIA_TYPE_VIDEO]]->codecpar->width == 1920) ++level;
    if (stream_choice[AVMEDIA_TYPE_DATA] >= 0) ++level;
  }
  post_message(kMsgLoadLevel, level, 0);

  vs->display_mode = g.initial_display_mode.load();

  if (stream_choice[AVMEDIA_TYPE_AUDIO] >= 0) open_component(vs, stream_choice[AVMEDIA_TYPE_AUDIO]);
  int video_result = -1;
  if (stream_choice[AVMEDIA_TYPE_VIDEO] >= 0) {
    video_result = open_component(vs, stream_choice[AVMEDIA_TYPE_VIDEO]);
    if (stream_choice[AVMEDIA_TYPE_DATA] >= 0) open_component(vs, stream_choice[AVMEDIA_TYPE_DATA]);
  }
  int display_mode = vs->display_mode;
  if (display_mode == -1) display_mode = video_result >= 0 ? 0 : 2;
  if (stream_choice[AVMEDIA_TYPE_SUBTITLE] >= 0) open_component(vs, stream_choice[AVMEDIA_TYPE_SUBTITLE]);

  if (vs->video_index < 0 && vs->audio_index < 0) {
    av_log(nullptr, AV_LOG_FATAL, "Failed to open file '%s' or configure filtergraph\n", vs->path.c_str());
    return -1;
  }

  if (PlayerNotifier* n = g.main_window.load()) {
    n->set_duration(ic->duration);
    n->SelectRearView(vs->video2_index >= 0 ? 1 : 0);
  }
  // The refresh starts showing pictures only now, so the user interface has the load level and
  // the duration before the first picture.
  vs->display_mode = display_mode;

  return read_loop(vs, ic, wait_mutex);
}

void read_thread(VideoState* vs) {
  const int ret = read_thread_body(vs);
  if (ret != 0) push_exit_event(vs);
}

}  // namespace

int interrupt_check(void* opaque) { return static_cast<VideoState*>(opaque)->abort_all.load(); }

VideoState* open_player(const std::string& path, const AVInputFormat* format) {
  auto* vs = new (std::nothrow) VideoState;
  if (!vs) return nullptr;
  vs->path = path;
  vs->forced_format = format;
  vs->generation = ++engine_globals.playback_generation;
  if (vs->picture_queue.init(&vs->video_packets, engine::kPictureQueueSize, true) < 0 ||
      vs->picture_queue2.init(&vs->video2_packets, engine::kPictureQueueSize, true) < 0 ||
      vs->text_queue.init(&vs->text_packets, engine::kTextQueueSize, false) < 0 ||
      vs->sample_queue.init(&vs->audio_packets, engine::kSampleQueueSize, true) < 0 ||
      vs->video_packets.init("video") < 0 || vs->video2_packets.init("video2") < 0 ||
      vs->audio_packets.init("audio") < 0 || vs->text_packets.init("text") < 0) {
    close_player(vs);
    return nullptr;
  }
  vs->clock_video.init(vs->video_packets.serial_ptr());
  vs->clock_audio.init(vs->audio_packets.serial_ptr());
  vs->clock_external.init_own_serial();
  vs->audio_end_serial = -1;
  vs->volume = player_globals.requested_volume.load();
  vs->muted = 0;
  vs->sync_preference = player_globals.sync_preference.load();
  try {
    vs->reader_thread = std::thread(read_thread, vs);
  } catch (const std::system_error& e) {
    av_log(nullptr, AV_LOG_FATAL, "SDL_CreateThread(): %s\n", e.what());
    close_player(vs);
    return nullptr;
  }
  return vs;
}

void close_player(VideoState* vs) {
  vs->abort_all = 1;
  vs->reader_wakeup.notify_all();
  if (vs->reader_thread.joinable()) vs->reader_thread.join();
  // The text and video decoders read the audio stream's pointer to pick the master clock, so
  // they stop before the audio stream is closed and its pointer cleared.
  if (vs->text_index >= 0) close_component(vs, vs->text_index);
  if (vs->video_index >= 0) close_component(vs, vs->video_index);
  if (vs->video2_index >= 0) close_component(vs, vs->video2_index);
  if (vs->audio_index >= 0) close_component(vs, vs->audio_index);
  if (AVFormatContext* ic = vs->format_ctx.exchange(nullptr)) avformat_close_input(&ic);
  vs->video_packets.destroy();
  vs->video2_packets.destroy();
  vs->audio_packets.destroy();
  vs->text_packets.destroy();
  destroy_textures(vs);
  vs->picture_queue.destroy();
  vs->picture_queue2.destroy();
  vs->sample_queue.destroy();
  vs->text_queue.destroy();
  engine_globals.total_dropped_before_queue += vs->dropped_before_queue;
  engine_globals.total_dropped_at_display += vs->dropped_at_display;
  delete vs;
}

int open_component(VideoState* vs, int stream_index) {
  PlayerGlobals& g = player_globals;
  AVFormatContext* ic = vs->format_ctx;
  if (!ic || stream_index < 0 || stream_index >= static_cast<int>(ic->nb_streams)) return -1;
  AVStream* st = ic->streams[stream_index];

  CodecContextPtr avctx(avcodec_alloc_context3(nullptr));
  if (!avctx) return -12;
  int ret = avcodec_parameters_to_context(avctx.get(), st->codecpar);
  if (ret < 0) return ret;
  avctx->pkt_timebase = st->time_base;

  const bool is_text = stream_index == vs->text_index || avctx->codec_type == AVMEDIA_TYPE_SUBTITLE;
  const AVCodec* codec = is_text ? avcodec_find_decoder_by_name("text") : avcodec_find_decoder(avctx->codec_id);
  if (!codec) {
    av_log(nullptr, AV_LOG_WARNING, "No codec could be found with id %d\n", avctx->codec_id);
    return -22;
  }
  avctx->codec_id = codec->id;
  avctx->codec_type = codec->type;
  if (!is_text) {
    int lowres = g.low_resolution;
    if (lowres > codec->max_lowres) {
      av_log(avctx.get(), AV_LOG_WARNING, "The maximum value for lowres supported by the decoder is %d\n",
             codec->max_lowres);
      lowres = codec->max_lowres;
    }
    avctx->lowres = lowres;
    avctx->workaround_bugs = 1;
    avctx->idct_algo = FF_IDCT_AUTO;
    avctx->skip_frame = AVDISCARD_DEFAULT;
    avctx->skip_idct = AVDISCARD_DEFAULT;
    avctx->skip_loop_filter = AVDISCARD_DEFAULT;
    avctx->error_concealment = 3;
    if (g.fast_decode) avctx->flags2 |= AV_CODEC_FLAG2_FAST;
  }
  ret = avcodec_open2(avctx.get(), codec, nullptr);
  if (ret < 0) return is_text ? ret : -1;

  vs->at_end_of_file = 0;
  st->discard = AVDISCARD_DEFAULT;

  switch (avctx->codec_type) {
    case AVMEDIA_TYPE_AUDIO: {
      AVChannelLayout layout{};
      av_channel_layout_copy(&layout, &avctx->ch_layout);
      ret = open_audio(vs, &layout, avctx->sample_rate, &vs->device_format);
      av_channel_layout_uninit(&layout);
      if (ret < 0) return ret;
      vs->device_buffer_bytes = ret;
      vs->resample_from.rate = vs->device_format.rate;
      vs->resample_from.channels = vs->device_format.channels;
      av_channel_layout_uninit(&vs->resample_from.layout);
      av_channel_layout_copy(&vs->resample_from.layout, &vs->device_format.layout);
      vs->resample_from.sample_format = vs->device_format.sample_format;
      vs->resample_from.bytes_per_frame = vs->device_format.bytes_per_frame;
      vs->resample_from.bytes_per_second = vs->device_format.bytes_per_second;
      vs->play_buf_len = 0;
      vs->play_buf_pos = 0;
      vs->sync_diff_weight = std::exp(std::log(0.01) / engine::kAudioDiffAverageCount);
      vs->sync_diff_count = 0;
      vs->sync_diff_threshold = double(vs->device_buffer_bytes) / vs->device_format.bytes_per_second;
      vs->audio_index = stream_index;
      vs->audio_stream_ptr = st;
      vs->audio_decoder.init(std::move(avctx), &vs->audio_packets, &vs->reader_wakeup);
      if ((ic->iformat->flags & (AVFMT_NOBINSEARCH | AVFMT_NOGENSEARCH | AVFMT_NO_BYTE_SEEK)) &&
          !ic->iformat->read_seek) {
        vs->audio_decoder.start_pts = st->start_time;
        vs->audio_decoder.start_pts_tb = st->time_base;
      }
      ret = vs->audio_decoder.start([vs] { audio_thread(vs); });
      if (ret >= 0) SDL_PauseAudioDevice(engine_globals.audio_device, 0);
      return ret;
    }
    case AVMEDIA_TYPE_VIDEO:
      if (vs->video_index < 0) {
        vs->video_index = stream_index;
        vs->video_stream_ptr = st;
        vs->video_decoder.init(std::move(avctx), &vs->video_packets, &vs->reader_wakeup);
        vs->video_decoder.picture_pts_choice = g.picture_pts_choice;
        ret = vs->video_decoder.start([vs] { video_thread(vs, 0); });
        if (ret >= 0) vs->attached_pics_pending = 1;
      } else {
        vs->video2_index = stream_index;
        vs->video2_stream_ptr = st;
        vs->video2_decoder.init(std::move(avctx), &vs->video2_packets, &vs->reader_wakeup);
        vs->video2_decoder.picture_pts_choice = g.picture_pts_choice;
        ret = vs->video2_decoder.start([vs] { video_thread(vs, 1); });
      }
      return ret;
    case AVMEDIA_TYPE_SUBTITLE:
      vs->text_index = stream_index;
      vs->text_stream_ptr = st;
      vs->text_decoder.init(std::move(avctx), &vs->text_packets, &vs->reader_wakeup);
      return vs->text_decoder.start([vs] { text_thread(vs); });
    default:
      return 0;
  }
}

void close_component(VideoState* vs, int stream_index) {
  AVFormatContext* ic = vs->format_ctx;
  if (!ic || stream_index < 0 || stream_index >= static_cast<int>(ic->nb_streams)) return;
  AVStream* st = ic->streams[stream_index];
  if (stream_index == vs->audio_index) {
    vs->audio_decoder.abort(vs->sample_queue);
    if (engine_globals.audio_device) {
      SDL_CloseAudioDevice(engine_globals.audio_device);
      engine_globals.audio_device = 0;
    }
    vs->audio_decoder.destroy();
    vs->resampler.reset();
    av_freep(&vs->resample_buf);
    vs->resample_buf_capacity = 0;
    vs->play_buf = nullptr;
    vs->audio_stream_ptr = nullptr;
    vs->audio_index = -1;
  } else if (stream_index == vs->video_index || stream_index == vs->video2_index) {
    // Closing either video stream stops both decoders.
    if (vs->video_decoder.running() || vs->video_index >= 0) {
      vs->video_decoder.abort(vs->picture_queue);
      vs->video_decoder.destroy();
    }
    if (vs->video2_index >= 0) {
      vs->video2_decoder.abort(vs->picture_queue2);
      vs->video2_decoder.destroy();
      vs->video2_stream_ptr = nullptr;
      vs->video2_index = -1;
    }
    vs->video_stream_ptr = nullptr;
    vs->video_index = -1;
  } else if (stream_index == vs->text_index) {
    vs->text_decoder.abort(vs->text_queue);
    vs->text_decoder.destroy();
    vs->text_stream_ptr = nullptr;
    vs->text_index = -1;
  }
  st->discard = AVDISCARD_ALL;
}

void request_seek(VideoState* vs, int64_t target, int64_t increment, bool by_bytes, bool exact) {
  if (vs->seek_pending) return;
  vs->seek_target = target;
  vs->seek_increment = increment;
  vs->seek_exact = exact && !by_bytes;
  int flags = vs->seek_mode_flags & ~AVSEEK_FLAG_BYTE;
  if (by_bytes) flags |= AVSEEK_FLAG_BYTE;
  vs->seek_mode_flags = flags;
  vs->seek_pending = 1;
  vs->reader_wakeup.notify_all();
}
