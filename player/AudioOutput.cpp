// Audio output: the SDL device, its callback, resampling with speed compensation, volume.

#include <algorithm>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavutil/time.h>
}

#include "Engine.h"
#include "EngineConstants.h"
#include "EngineGlobals.h"
#include "Player.h"

int open_audio(VideoState* vs, const AVChannelLayout* wanted_layout_in, int wanted_sample_rate,
               AudioFormat* out) {
  static const int next_nb_channels[] = {0, 0, 1, 6, 2, 6, 4, 6};
  static const int next_sample_rates[] = {0, 22050, 44100, 48000, 96000, 192000};
  int next_rate_index = static_cast<int>(std::size(next_sample_rates)) - 1;

  AVChannelLayout wanted_layout{};
  av_channel_layout_copy(&wanted_layout, wanted_layout_in);
  int wanted_channels = wanted_layout.nb_channels;
  if (const char* env = SDL_getenv("SDL_AUDIO_CHANNELS")) {
    wanted_channels = std::atoi(env);
    av_channel_layout_uninit(&wanted_layout);
    av_channel_layout_default(&wanted_layout, wanted_channels);
  }
  if (wanted_layout.order != AV_CHANNEL_ORDER_NATIVE || wanted_layout.nb_channels != wanted_channels) {
    av_channel_layout_uninit(&wanted_layout);
    av_channel_layout_default(&wanted_layout, wanted_channels);
  }
  wanted_channels = wanted_layout.nb_channels;
  if (wanted_sample_rate <= 0 || wanted_channels <= 0) {
    av_log(nullptr, AV_LOG_ERROR, "Invalid sample rate or channel count!\n");
    av_channel_layout_uninit(&wanted_layout);
    return -1;
  }
  while (next_rate_index && next_sample_rates[next_rate_index] >= wanted_sample_rate) --next_rate_index;

  SDL_AudioSpec wanted{};
  SDL_AudioSpec obtained{};
  wanted.freq = wanted_sample_rate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = static_cast<Uint8>(wanted_channels);
  wanted.silence = 0;
  wanted.samples = static_cast<Uint16>(std::max(
      engine::kAudioMinBufferSamples, 2 << av_log2(wanted.freq / engine::kAudioCallbacksPerSecond)));
  wanted.callback = audio_callback;
  wanted.userdata = vs;
  SDL_AudioDeviceID device;
  while (!(device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained,
                                        SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE))) {
    av_log(nullptr, AV_LOG_WARNING, "SDL_OpenAudio (%d channels, %d Hz): %s\n", wanted.channels, wanted.freq,
           SDL_GetError());
    wanted.channels = static_cast<Uint8>(next_nb_channels[std::min(7, int(wanted.channels))]);
    if (!wanted.channels) {
      wanted.freq = next_sample_rates[next_rate_index--];
      wanted.channels = static_cast<Uint8>(wanted_channels);
      if (!wanted.freq) {
        av_log(nullptr, AV_LOG_ERROR, "No more combinations to try, audio open failed\n");
        av_channel_layout_uninit(&wanted_layout);
        return -1;
      }
    }
    av_channel_layout_uninit(&wanted_layout);
    av_channel_layout_default(&wanted_layout, wanted.channels);
  }
  engine_globals.audio_device = device;
  if (obtained.format != AUDIO_S16SYS) {
    av_log(nullptr, AV_LOG_ERROR, "SDL advised audio format %d is not supported!\n", obtained.format);
    av_channel_layout_uninit(&wanted_layout);
    return -1;
  }
  if (obtained.channels != wanted.channels) {
    av_channel_layout_uninit(&wanted_layout);
    av_channel_layout_default(&wanted_layout, obtained.channels);
    if (wanted_layout.order != AV_CHANNEL_ORDER_NATIVE) {
      av_log(nullptr, AV_LOG_ERROR, "SDL advised channel count %d is not supported!\n", obtained.channels);
      av_channel_layout_uninit(&wanted_layout);
      return -1;
    }
  }
  out->sample_format = AV_SAMPLE_FMT_S16;
  out->rate = obtained.freq;
  av_channel_layout_uninit(&out->layout);
  out->layout = wanted_layout;  // takes ownership
  out->channels = wanted_layout.nb_channels;
  out->bytes_per_frame = av_samples_get_buffer_size(nullptr, out->channels, 1, out->sample_format, 1);
  out->bytes_per_second = av_samples_get_buffer_size(nullptr, out->channels, out->rate, out->sample_format, 1);
  if (out->bytes_per_frame <= 0 || out->bytes_per_second <= 0) {
    av_log(nullptr, AV_LOG_ERROR, "av_samples_get_buffer_size failed\n");
    return -1;
  }
  return static_cast<int>(obtained.size);
}

int synchronize_audio(VideoState* vs, int nb_samples) {
  int wanted = nb_samples;
  if (effective_sync(*vs) != SYNC_AUDIO) {
    const double diff = vs->clock_audio.read() - master_time(*vs);
    if (!std::isnan(diff) && std::fabs(diff) < engine::kNoSyncThreshold) {
      vs->sync_diff_sum = diff + vs->sync_diff_weight * vs->sync_diff_sum;
      if (vs->sync_diff_count < engine::kAudioDiffAverageCount) {
        ++vs->sync_diff_count;
      } else {
        const double avg = vs->sync_diff_sum * (1.0 - vs->sync_diff_weight);
        if (std::fabs(avg) >= vs->sync_diff_threshold) {
          wanted = nb_samples + static_cast<int>(diff * vs->resample_from.rate);
          const int min = nb_samples * (100 - engine::kSampleCorrectionPercent) / 100;
          const int max = nb_samples * (100 + engine::kSampleCorrectionPercent) / 100;
          wanted = std::clamp(wanted, min, max);
        }
        av_log(nullptr, AV_LOG_TRACE, "diff=%f adiff=%f sample_diff=%d apts=%0.3f %f\n", diff, avg,
               wanted - nb_samples, vs->audio_end_pts, vs->sync_diff_threshold);
      }
    } else {
      vs->sync_diff_count = 0;
      vs->sync_diff_sum = 0;
    }
  }
  const int speed = std::max(1, player_globals.playback_speed.load());
  return wanted / speed;
}

int decode_audio_frame(VideoState* vs) {
  if (vs->paused) return -1;
  DecodedItem* af = nullptr;
  do {
    while (vs->sample_queue.pending() == 0) {
      const int64_t waited = av_gettime_relative() - engine_globals.callback_started_at;
      if (waited > 1000000LL * vs->device_buffer_bytes / vs->device_format.bytes_per_second / 2) return -1;
      av_usleep(1000);
    }
    af = vs->sample_queue.wait_readable();
    if (!af) return -1;
    vs->sample_queue.advance();
  } while (af->serial != vs->audio_packets.serial());

  AVFrame* frame = af->frame;
  const AVSampleFormat format = static_cast<AVSampleFormat>(frame->format);
  AVChannelLayout layout{};
  if (frame->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC)
    av_channel_layout_copy(&layout, &frame->ch_layout);
  else
    av_channel_layout_default(&layout, frame->ch_layout.nb_channels);
  const int data_size = av_samples_get_buffer_size(nullptr, layout.nb_channels, frame->nb_samples, format, 1);
  const int wanted = synchronize_audio(vs, frame->nb_samples);

  if (format != vs->resample_from.sample_format || av_channel_layout_compare(&layout, &vs->resample_from.layout) ||
      frame->sample_rate != vs->resample_from.rate || (wanted != frame->nb_samples && !vs->resampler)) {
    vs->resampler.reset();
    SwrContext* swr = nullptr;
    AudioFormat& dev = vs->device_format;
    if (swr_alloc_set_opts2(&swr, &dev.layout, dev.sample_format, dev.rate, &layout, format, frame->sample_rate,
                            0, nullptr) < 0 ||
        swr_init(swr) < 0) {
      av_log(nullptr, AV_LOG_ERROR,
             "Cannot create sample rate converter for conversion of %d Hz %s %d channels to %d Hz %s %d "
             "channels!\n",
             frame->sample_rate, av_get_sample_fmt_name(format), layout.nb_channels, dev.rate,
             av_get_sample_fmt_name(dev.sample_format), dev.channels);
      swr_free(&swr);
      av_channel_layout_uninit(&layout);
      return -1;
    }
    vs->resampler.reset(swr);
    av_channel_layout_uninit(&vs->resample_from.layout);
    av_channel_layout_copy(&vs->resample_from.layout, &layout);
    vs->resample_from.channels = layout.nb_channels;
    vs->resample_from.rate = frame->sample_rate;
    vs->resample_from.sample_format = format;
  }
  av_channel_layout_uninit(&layout);

  int size;
  if (SwrContext* swr = vs->resampler.get()) {
    const AudioFormat& dev = vs->device_format;
    const int out_count = static_cast<int>(int64_t(wanted) * dev.rate / frame->sample_rate + 256);
    const int out_size = av_samples_get_buffer_size(nullptr, dev.channels, out_count, dev.sample_format, 0);
    if (out_size < 0) {
      av_log(nullptr, AV_LOG_ERROR, "av_samples_get_buffer_size() failed\n");
      return -1;
    }
    if (wanted != frame->nb_samples) {
      const int delta = static_cast<int>(int64_t(wanted - frame->nb_samples) * dev.rate / frame->sample_rate);
      const int distance = static_cast<int>(int64_t(wanted) * dev.rate / frame->sample_rate);
      if (swr_set_compensation(swr, delta, distance) < 0) {
        av_log(nullptr, AV_LOG_ERROR, "swr_set_compensation() failed\n");
        return -1;
      }
    }
    av_fast_malloc(&vs->resample_buf, &vs->resample_buf_capacity, out_size);
    if (!vs->resample_buf) return -12;
    uint8_t* out[] = {vs->resample_buf};
    const int converted = swr_convert(swr, out, out_count, const_cast<const uint8_t**>(frame->extended_data),
                                      frame->nb_samples);
    if (converted < 0) {
      av_log(nullptr, AV_LOG_ERROR, "swr_convert() failed\n");
      return -1;
    }
    if (converted == out_count) {
      av_log(nullptr, AV_LOG_WARNING, "audio buffer is probably too small\n");
      if (swr_init(swr) < 0) vs->resampler.reset();
    }
    vs->play_buf = vs->resample_buf;
    size = converted * dev.channels * av_get_bytes_per_sample(dev.sample_format);
  } else {
    vs->play_buf = frame->data[0];
    size = data_size;
  }
  vs->audio_end_pts = std::isnan(af->pts) ? NAN : af->pts + double(frame->nb_samples) / frame->sample_rate;
  vs->audio_end_serial = af->serial;
  return size;
}

void audio_callback(void* opaque, uint8_t* stream, int len) {
  auto* vs = static_cast<VideoState*>(opaque);
  engine_globals.callback_started_at = av_gettime_relative();
  while (len > 0) {
    if (vs->play_buf_pos >= static_cast<int>(vs->play_buf_len)) {
      const int size = decode_audio_frame(vs);
      if (size < 0) {
        vs->play_buf = nullptr;
        const int frame_bytes = std::max(1, vs->device_format.bytes_per_frame);
        vs->play_buf_len = engine::kAudioMinBufferSamples / frame_bytes * frame_bytes;
      } else {
        vs->play_buf_len = size;
      }
      vs->play_buf_pos = 0;
    }
    const int n = std::min(len, static_cast<int>(vs->play_buf_len) - vs->play_buf_pos);
    const int volume = vs->volume;
    // A frame step runs the clocks for a moment without being heard.
    const bool audible = !vs->muted && !vs->step_mode && vs->play_buf;
    if (audible && volume == engine::kMaxVolume) {
      std::memcpy(stream, vs->play_buf + vs->play_buf_pos, n);
    } else {
      std::memset(stream, 0, n);
      if (audible)
        SDL_MixAudioFormat(stream, vs->play_buf + vs->play_buf_pos, AUDIO_S16SYS, n, volume);
    }
    len -= n;
    stream += n;
    vs->play_buf_pos += n;
  }
  vs->play_buf_left = static_cast<int>(vs->play_buf_len) - vs->play_buf_pos;
  if (!std::isnan(vs->audio_end_pts)) {
    vs->clock_audio.set_at(vs->audio_end_pts - double(2 * vs->device_buffer_bytes + vs->play_buf_left) /
                                                   vs->device_format.bytes_per_second,
                           vs->audio_end_serial, engine_globals.callback_started_at / 1000000.0);
    vs->clock_external.follow(vs->clock_audio);
  }
}
