// The peak meter over libpulse. Everything runs on a pa_threaded_mainloop, whose
// thread sleeps in poll() on the server's socket: with metering off the meter costs
// nothing but a connection that only carries the server's change events (default
// output, outputs added or removed).
//
// Metering is a record stream of one float channel at a low rate with peak detection
// on the default output's monitor source: the server delivers one peak per 1/25 s and
// records nothing else. The stream does not keep an idle output awake.

#include <pulse/pulseaudio.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/peak_meter.h"

namespace platform {
namespace {

constexpr const char* kClientName = "OVK_DOvaru";
constexpr std::uint32_t kPeaksPerSecond = 25;
// How long HasAudioDevice waits for a server that accepted the connection to answer.
constexpr pa_usec_t kAnswerTimeoutUs = 2 * PA_USEC_PER_SEC;
// While metering, a server that went away (or was not there) is looked for again this
// often, so the meter comes back when the server is restarted.
constexpr pa_usec_t kReconnectUs = 2 * PA_USEC_PER_SEC;

// Which server a context tried: the one it reached, else the one it was sent to.
std::string ServerOf(pa_context* context) {
  if (context != nullptr) {
    if (const char* server = pa_context_get_server(context)) return server;
  }
  if (const char* server = std::getenv("PULSE_SERVER")) return server;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return std::string("unix:") + (runtime ? runtime : "$XDG_RUNTIME_DIR") + "/pulse/native";
}

std::string Seconds(pa_usec_t time) { return std::to_string(time / PA_USEC_PER_SEC) + " s"; }

std::string ConnectionError(pa_context* context) {
  const int error = context ? pa_context_errno(context) : PA_ERR_UNKNOWN;
  return std::string("failed: ") + pa_strerror(error != PA_OK ? error : PA_ERR_CONNECTIONTERMINATED);
}

// Standard error says why the sound lighting finds no output; always false.
bool NoAudioDevice(pa_context* context, const std::string& why) {
  std::fprintf(stderr, "ovk-dovaru: no sound output for the sound lighting: the PulseAudio server %s %s\n",
               ServerOf(context).c_str(), why.c_str());
  return false;
}

class PulsePeakMeter final : public PeakMeter {
 public:
  ~PulsePeakMeter() override;
  bool HasAudioDevice() override;
  void SetMetering(bool on) override;
  float TakePeak() override;

 private:
  class Lock {
   public:
    explicit Lock(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
    ~Lock() { pa_threaded_mainloop_unlock(loop_); }

   private:
    pa_threaded_mainloop* loop_;
  };

  bool StartLoop();
  // The rest runs under the loop's lock (callbacks hold it too).
  void ConnectLocked();
  bool ContextReadyLocked() const;
  bool ContextGoneLocked() const;
  void StartLookupLocked();
  void UpdateStreamLocked();
  void ConnectStreamLocked();
  void DropStreamLocked();
  template <typename Done>
  bool WaitLocked(Done done);
  void Signal() { pa_threaded_mainloop_signal(loop_, 0); }

  static void OnContextState(pa_context* context, void* self);
  static void OnSubscription(pa_context* context, pa_subscription_event_type_t type, std::uint32_t index,
                             void* self);
  static void OnServerInfo(pa_context* context, const pa_server_info* info, void* self);
  static void OnSinkInfo(pa_context* context, const pa_sink_info* info, int eol, void* self);
  static void OnStreamState(pa_stream* stream, void* self);
  static void OnRead(pa_stream* stream, std::size_t bytes, void* self);
  static void OnTimeout(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv, void* self);

  void FinishLookupLocked(std::string monitor);
  void ScheduleReconnectLocked();
  void CancelReconnectLocked();
  static void OnReconnect(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv, void* self);

  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  std::string streamSource_;  // the monitor the stream records
  std::string monitor_;       // monitor of the default output; empty: no default output
  unsigned lookupsStarted_ = 0;
  unsigned lookupsDone_ = 0;
  bool timedOut_ = false;
  pa_time_event* reconnect_ = nullptr;
  std::atomic<bool> metering_{false};
  // Peaks written by the loop's thread, taken by the caller's.
  std::atomic<float> lastPeak_{0.0f};
  std::atomic<float> peakSinceTake_{-1.0f};  // -1: none since the last take
};

PulsePeakMeter::~PulsePeakMeter() {
  if (!loop_) return;
  pa_threaded_mainloop_stop(loop_);  // no callback runs from here on
  CancelReconnectLocked();
  DropStreamLocked();
  if (context_) {
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_set_subscribe_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
  }
  pa_threaded_mainloop_free(loop_);
}

bool PulsePeakMeter::StartLoop() {
  if (loop_) return true;
  loop_ = pa_threaded_mainloop_new();
  if (!loop_) return false;
  if (pa_threaded_mainloop_start(loop_) < 0) {
    pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
    return false;
  }
  return true;
}

bool PulsePeakMeter::ContextReadyLocked() const {
  return context_ && pa_context_get_state(context_) == PA_CONTEXT_READY;
}

bool PulsePeakMeter::ContextGoneLocked() const {
  if (!context_) return true;
  const pa_context_state_t state = pa_context_get_state(context_);
  return state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED;
}

void PulsePeakMeter::ConnectLocked() {
  if (context_ && !ContextGoneLocked()) return;
  DropStreamLocked();
  if (context_) {
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_set_subscribe_callback(context_, nullptr, nullptr);
    pa_context_unref(context_);
  }
  monitor_.clear();
  context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), kClientName);
  if (!context_) return;
  pa_context_set_state_callback(context_, &OnContextState, this);
  pa_context_set_subscribe_callback(context_, &OnSubscription, this);
  // No server is started on the user's behalf: without one there is no output to meter.
  if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    if (metering_.load()) ScheduleReconnectLocked();
    Signal();
  }
}

void PulsePeakMeter::ScheduleReconnectLocked() {
  if (reconnect_) return;
  struct timeval at{};
  pa_gettimeofday(&at);
  pa_timeval_add(&at, kReconnectUs);
  pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
  reconnect_ = api->time_new(api, &at, &OnReconnect, this);
}

void PulsePeakMeter::CancelReconnectLocked() {
  if (!reconnect_) return;
  pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
  api->time_free(reconnect_);
  reconnect_ = nullptr;
}

void PulsePeakMeter::OnReconnect(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
  auto* meter = static_cast<PulsePeakMeter*>(self);
  meter->CancelReconnectLocked();
  if (meter->metering_.load()) meter->ConnectLocked();
}

template <typename Done>
bool PulsePeakMeter::WaitLocked(Done done) {
  if (done()) return true;
  timedOut_ = false;
  struct timeval deadline{};
  pa_gettimeofday(&deadline);
  pa_timeval_add(&deadline, kAnswerTimeoutUs);
  pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
  pa_time_event* timer = api->time_new(api, &deadline, &OnTimeout, this);
  while (!done() && !timedOut_) pa_threaded_mainloop_wait(loop_);
  if (timer) api->time_free(timer);
  return done();
}

void PulsePeakMeter::StartLookupLocked() {
  ++lookupsStarted_;
  pa_operation* op = pa_context_get_server_info(context_, &OnServerInfo, this);
  if (op) {
    pa_operation_unref(op);
  } else {
    FinishLookupLocked({});
  }
}

void PulsePeakMeter::FinishLookupLocked(std::string monitor) {
  monitor_ = std::move(monitor);
  ++lookupsDone_;
  UpdateStreamLocked();
  Signal();
}

void PulsePeakMeter::UpdateStreamLocked() {
  if (!metering_.load() || monitor_.empty() || !ContextReadyLocked()) {
    DropStreamLocked();
    return;
  }
  const bool streamLive = stream_ && PA_STREAM_IS_GOOD(pa_stream_get_state(stream_));
  if (streamLive && streamSource_ == monitor_) return;
  ConnectStreamLocked();
}

void PulsePeakMeter::ConnectStreamLocked() {
  DropStreamLocked();
  const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, kPeaksPerSecond, 1};
  stream_ = pa_stream_new(context_, "peak meter", &spec, nullptr);
  if (!stream_) return;
  pa_stream_set_state_callback(stream_, &OnStreamState, this);
  pa_stream_set_read_callback(stream_, &OnRead, this);
  pa_buffer_attr attr{};
  attr.maxlength = static_cast<std::uint32_t>(-1);
  attr.tlength = attr.prebuf = attr.minreq = static_cast<std::uint32_t>(-1);
  attr.fragsize = sizeof(float);  // every peak as soon as it is known
  const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_PEAK_DETECT | PA_STREAM_ADJUST_LATENCY |
                                                    PA_STREAM_DONT_MOVE | PA_STREAM_DONT_INHIBIT_AUTO_SUSPEND);
  if (pa_stream_connect_record(stream_, monitor_.c_str(), &attr, flags) < 0) {
    DropStreamLocked();
    return;
  }
  streamSource_ = monitor_;
}

void PulsePeakMeter::DropStreamLocked() {
  if (stream_) {
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_read_callback(stream_, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
  }
  streamSource_.clear();
  lastPeak_ = 0.0f;
  peakSinceTake_ = -1.0f;
}

void PulsePeakMeter::OnContextState(pa_context* context, void* self) {
  auto* meter = static_cast<PulsePeakMeter*>(self);
  switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY: {
      const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SERVER | PA_SUBSCRIPTION_MASK_SINK);
      if (pa_operation* op = pa_context_subscribe(context, mask, nullptr, nullptr)) pa_operation_unref(op);
      meter->StartLookupLocked();
      break;
    }
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
      // The server went away: no output until it is there again.
      meter->monitor_.clear();
      meter->lastPeak_ = 0.0f;
      if (meter->metering_.load()) meter->ScheduleReconnectLocked();
      break;
    default:
      break;
  }
  meter->Signal();
}

void PulsePeakMeter::OnSubscription(pa_context*, pa_subscription_event_type_t type, std::uint32_t, void* self) {
  auto* meter = static_cast<PulsePeakMeter*>(self);
  const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
  const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
  // A new default output, or an output added or removed (the default may be among them).
  const bool relevant = facility == PA_SUBSCRIPTION_EVENT_SERVER ||
                        (facility == PA_SUBSCRIPTION_EVENT_SINK && kind != PA_SUBSCRIPTION_EVENT_CHANGE);
  if (relevant) meter->StartLookupLocked();
}

void PulsePeakMeter::OnServerInfo(pa_context* context, const pa_server_info* info, void* self) {
  auto* meter = static_cast<PulsePeakMeter*>(self);
  const char* sink = info ? info->default_sink_name : nullptr;
  if (!sink || !*sink) {
    meter->FinishLookupLocked({});
    return;
  }
  pa_operation* op = pa_context_get_sink_info_by_name(context, sink, &OnSinkInfo, self);
  if (op) {
    pa_operation_unref(op);
  } else {
    meter->FinishLookupLocked({});
  }
}

void PulsePeakMeter::OnSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* self) {
  auto* meter = static_cast<PulsePeakMeter*>(self);
  if (eol < 0) {  // the default output named by the server does not exist
    meter->FinishLookupLocked({});
  } else if (info) {
    meter->FinishLookupLocked(info->monitor_source_name ? info->monitor_source_name : "");
  }
  // eol > 0 after a found sink: the lookup was finished with its info.
}

void PulsePeakMeter::OnStreamState(pa_stream* stream, void* self) {
  auto* meter = static_cast<PulsePeakMeter*>(self);
  const pa_stream_state_t state = pa_stream_get_state(stream);
  if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) meter->lastPeak_ = 0.0f;
}

void PulsePeakMeter::OnRead(pa_stream* stream, std::size_t, void* self) {
  auto* meter = static_cast<PulsePeakMeter*>(self);
  float top = -1.0f;
  while (pa_stream_readable_size(stream) > 0) {
    const void* data = nullptr;
    std::size_t bytes = 0;
    if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0) break;
    if (data) {  // null: a hole in the stream, nothing to read
      const auto* peaks = static_cast<const float*>(data);
      for (std::size_t i = 0; i < bytes / sizeof(float); ++i) {
        const float peak = std::fabs(peaks[i]);
        if (peak > top) top = peak;  // also skips NaN
      }
    }
    pa_stream_drop(stream);
  }
  if (top < 0.0f) return;
  meter->lastPeak_ = top;
  float since = meter->peakSinceTake_.load();
  while (top > since && !meter->peakSinceTake_.compare_exchange_weak(since, top)) {
  }
}

void PulsePeakMeter::OnTimeout(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
  auto* meter = static_cast<PulsePeakMeter*>(self);
  meter->timedOut_ = true;
  meter->Signal();
}

bool PulsePeakMeter::HasAudioDevice() {
  if (!StartLoop()) return NoAudioDevice(nullptr, "its event loop could not be started");
  Lock lock(loop_);
  ConnectLocked();
  if (!WaitLocked([this] { return ContextReadyLocked() || ContextGoneLocked(); }))
    return NoAudioDevice(context_, "did not answer within " + Seconds(kAnswerTimeoutUs));
  if (!ContextReadyLocked()) return NoAudioDevice(context_, ConnectionError(context_));
  // Asked afresh: the default output may have gone since the last change event.
  StartLookupLocked();
  const unsigned target = lookupsStarted_;
  if (!WaitLocked([this, target] { return lookupsDone_ >= target || ContextGoneLocked(); }))
    return NoAudioDevice(context_, "did not say which output is the default within " + Seconds(kAnswerTimeoutUs));
  if (!ContextReadyLocked()) return NoAudioDevice(context_, ConnectionError(context_));
  if (monitor_.empty()) return NoAudioDevice(context_, "has no default output");
  return true;
}

void PulsePeakMeter::SetMetering(bool on) {
  if (!on && !loop_) return;
  if (!StartLoop()) return;
  Lock lock(loop_);
  metering_ = on;
  if (on) {
    ConnectLocked();  // a fresh connection starts the stream once it is ready
  } else {
    CancelReconnectLocked();
  }
  UpdateStreamLocked();
}

float PulsePeakMeter::TakePeak() {
  if (!metering_.load()) return 0.0f;
  const float since = peakSinceTake_.exchange(-1.0f);
  return since >= 0.0f ? since : lastPeak_.load();
}

}  // namespace

std::unique_ptr<PeakMeter> MakePulsePeakMeter() { return std::make_unique<PulsePeakMeter>(); }

}  // namespace platform
