#pragma once
// One decoder thread's state: the packet it works on, its codec and its timestamp prediction.
// decode_frame takes at most one packet per step and yields at most one frame; frames still
// inside the codec come out on the following steps.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <thread>

#include "MediaPointers.h"

class DemuxQueue;
class DecodedQueue;

class StreamDecoder {
public:
  void init(CodecContextPtr codec, DemuxQueue* queue, std::condition_variable* queue_empty_signal);
  // Starts the queue (flush marker first) and runs body on the decoder thread; 0 or -12.
  template <typename Body>
  int start(Body body);
  // Stops the thread: aborts the queue, wakes the frame queue, joins, flushes the queue.
  void abort(DecodedQueue& frames);
  void destroy();

  // 1 frame (or text item) out, 0 drained, -1 aborted.
  int decode_frame(AVFrame* frame, AVSubtitle* text_item);

  bool running() const { return thread_.joinable(); }

  PacketPtr packet;           // the packet last taken from the queue
  CodecContextPtr codec;
  DemuxQueue* queue = nullptr;
  int packet_serial = 0;
  std::atomic<int> finished{0};  // serial at which the codec was found drained, 0 while not
  bool packet_pending = false;
  std::condition_variable* queue_empty_signal = nullptr;
  int64_t start_pts = AV_NOPTS_VALUE;
  AVRational start_pts_tb{0, 1};
  int64_t next_pts = AV_NOPTS_VALUE;
  AVRational next_pts_tb{0, 1};
  int picture_pts_choice = -1;

private:
  int fetch_packet();
  std::thread thread_;
};

#include "DemuxQueue.h"

extern "C" {
#include <libavutil/log.h>
}

template <typename Body>
int StreamDecoder::start(Body body) {
  queue->start();
  try {
    thread_ = std::thread(body);
  } catch (const std::system_error& e) {
    av_log(nullptr, AV_LOG_ERROR, "SDL_CreateThread(): %s\n", e.what());
    return -12;
  }
  return 0;
}
