#include "platform/video/video_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace platform::video {

namespace {

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

class FfmpegDecoder final : public Decoder {
public:
    ~FfmpegDecoder() override {
        sws_freeContext(m_scaler);
        swr_free(&m_resampler);
        av_frame_free(&m_frame);
        av_packet_free(&m_packet);
        avcodec_free_context(&m_video);
        avcodec_free_context(&m_audio);
        avformat_close_input(&m_format);
    }

    bool Open(const std::string& path, std::string& error) {
        int r = avformat_open_input(&m_format, path.c_str(), nullptr, nullptr);
        if (r < 0) {
            error = "cannot open " + path + ": " + AvError(r);
            return false;
        }
        if ((r = avformat_find_stream_info(m_format, nullptr)) < 0) {
            error = "no stream information: " + AvError(r);
            return false;
        }
        m_videoIndex = av_find_best_stream(m_format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (m_videoIndex < 0 || !OpenCodec(m_videoIndex, &m_video)) {
            error = "no playable video stream";
            return false;
        }
        m_audioIndex = av_find_best_stream(m_format, AVMEDIA_TYPE_AUDIO, -1, m_videoIndex, nullptr, 0);
        if (m_audioIndex >= 0 && OpenCodec(m_audioIndex, &m_audio)) {
            AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
            if (swr_alloc_set_opts2(&m_resampler, &stereo, AV_SAMPLE_FMT_S16, 44100, &m_audio->ch_layout,
                                    m_audio->sample_fmt, m_audio->sample_rate, 0, nullptr) < 0 ||
                swr_init(m_resampler) < 0) {
                swr_free(&m_resampler);
                avcodec_free_context(&m_audio);
                m_audioIndex = -1;
            }
        } else {
            m_audioIndex = -1;
        }
        if (m_video->width <= 0 || m_video->height <= 0 || m_video->width > 8192 || m_video->height > 8192) {
            error = "video size out of range";
            return false;
        }
        m_frame = av_frame_alloc();
        m_packet = av_packet_alloc();
        return m_frame && m_packet;
    }

    int Width() const override { return m_video->width; }
    int Height() const override { return m_video->height; }
    int64_t DurationNs() const override {
        return m_format->duration > 0 ? av_rescale(m_format->duration, kNsPerSecond, AV_TIME_BASE) : 0;
    }
    bool HasAudio() const override { return m_audioIndex >= 0; }
    const Picture* Current() const override { return m_hasCurrent ? &m_current : nullptr; }

    bool AdvanceTo(int64_t timeNs, const AudioSink& sink) override {
        for (;;) {
            if (m_hasNext && m_next.timeNs <= timeNs) {
                std::swap(m_current, m_next);
                m_hasCurrent = true;
                m_hasNext = false;
            }
            if (m_hasNext) return true;  // the next picture is still ahead
            if (!DecodeNextPicture(sink)) {
                // End of the stream: the last picture stays up for one frame time.
                return m_hasCurrent && timeNs < m_current.timeNs + m_frameDurationNs;
            }
        }
    }

    bool Seek(int64_t timeNs) override {
        AVStream* stream = m_format->streams[m_videoIndex];
        int64_t ts = av_rescale_q(timeNs / 1000, AVRational{1, 1000000}, stream->time_base);
        if (stream->start_time != AV_NOPTS_VALUE) ts += stream->start_time;
        if (av_seek_frame(m_format, m_videoIndex, ts, AVSEEK_FLAG_BACKWARD) < 0) return false;
        avcodec_flush_buffers(m_video);
        if (m_audio) avcodec_flush_buffers(m_audio);
        m_eof = false;
        m_hasNext = false;
        m_hasCurrent = false;
        m_skipBeforeNs = timeNs;
        return true;
    }

private:
    bool OpenCodec(int index, AVCodecContext** context) {
        const AVCodec* codec = avcodec_find_decoder(m_format->streams[index]->codecpar->codec_id);
        if (!codec) return false;
        *context = avcodec_alloc_context3(codec);
        if (!*context || avcodec_parameters_to_context(*context, m_format->streams[index]->codecpar) < 0 ||
            avcodec_open2(*context, codec, nullptr) < 0) {
            avcodec_free_context(context);
            return false;
        }
        if (index == m_videoIndex) {
            AVRational rate = m_format->streams[index]->avg_frame_rate;
            m_frameDurationNs = rate.num > 0 && rate.den > 0 ? av_rescale(kNsPerSecond, rate.den, rate.num) : kNsPerSecond / 30;
        }
        return true;
    }

    int64_t TimeOf(const AVFrame* frame, int streamIndex) const {
        AVStream* stream = m_format->streams[streamIndex];
        int64_t pts = frame->best_effort_timestamp;
        if (pts == AV_NOPTS_VALUE) return 0;
        if (stream->start_time != AV_NOPTS_VALUE) pts -= stream->start_time;
        return av_rescale_q(pts, stream->time_base, AVRational{1, 1000000}) * 1000;
    }

    void TakeAudioFrames(const AudioSink& sink) {
        while (avcodec_receive_frame(m_audio, m_frame) == 0) {
            int capacity = swr_get_out_samples(m_resampler, m_frame->nb_samples);
            if (capacity > 0) {
                m_audioBuffer.resize(static_cast<size_t>(capacity) * 2);
                uint8_t* out = reinterpret_cast<uint8_t*>(m_audioBuffer.data());
                int got = swr_convert(m_resampler, &out, capacity, const_cast<const uint8_t**>(m_frame->extended_data),
                                      m_frame->nb_samples);
                if (got > 0 && sink && TimeOf(m_frame, m_audioIndex) >= m_skipBeforeNs - m_frameDurationNs)
                    sink(m_audioBuffer.data(), got);
            }
            av_frame_unref(m_frame);
        }
    }

    bool ConvertPicture() {
        int w = m_frame->width, h = m_frame->height;
        m_scaler = sws_getCachedContext(m_scaler, w, h, static_cast<AVPixelFormat>(m_frame->format), w, h,
                                        AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
        if (!m_scaler) return false;
        m_next.width = w;
        m_next.height = h;
        m_next.argb.resize(static_cast<size_t>(w) * h);
        uint8_t* dst[1] = {reinterpret_cast<uint8_t*>(m_next.argb.data())};
        int stride[1] = {w * 4};
        sws_scale(m_scaler, m_frame->data, m_frame->linesize, 0, h, dst, stride);
        m_next.timeNs = TimeOf(m_frame, m_videoIndex);
        return true;
    }

    // Reads packets until the video decoder gives a picture (at or after a
    // pending seek target). False at the end of the stream.
    bool DecodeNextPicture(const AudioSink& sink) {
        for (;;) {
            int r = avcodec_receive_frame(m_video, m_frame);
            if (r == 0) {
                bool usable = TimeOf(m_frame, m_videoIndex) + m_frameDurationNs > m_skipBeforeNs && ConvertPicture();
                av_frame_unref(m_frame);
                if (usable) {
                    m_hasNext = true;
                    return true;
                }
                continue;
            }
            if (r == AVERROR_EOF) return false;
            if (r != AVERROR(EAGAIN)) return false;  // a decoding error ends the movie
            if (m_eof) return false;
            r = av_read_frame(m_format, m_packet);
            if (r < 0) {
                m_eof = true;
                avcodec_send_packet(m_video, nullptr);  // drain what the decoder still holds
                if (m_audio) {
                    avcodec_send_packet(m_audio, nullptr);
                    TakeAudioFrames(sink);
                }
                continue;
            }
            if (m_packet->stream_index == m_videoIndex) {
                avcodec_send_packet(m_video, m_packet);
            } else if (m_packet->stream_index == m_audioIndex) {
                if (avcodec_send_packet(m_audio, m_packet) == 0) TakeAudioFrames(sink);
            }
            av_packet_unref(m_packet);
        }
    }

    AVFormatContext* m_format = nullptr;
    AVCodecContext* m_video = nullptr;
    AVCodecContext* m_audio = nullptr;
    SwsContext* m_scaler = nullptr;
    SwrContext* m_resampler = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    int m_videoIndex = -1;
    int m_audioIndex = -1;
    int64_t m_frameDurationNs = kNsPerSecond / 30;
    int64_t m_skipBeforeNs = 0;
    bool m_eof = false;
    Picture m_current, m_next;
    bool m_hasCurrent = false, m_hasNext = false;
    std::vector<int16_t> m_audioBuffer;
};

} // namespace

std::unique_ptr<Decoder> OpenDecoder(const std::string& path, std::string& error) {
    av_log_set_level(AV_LOG_ERROR);  // warnings about odd files would only clutter the console
    auto decoder = std::make_unique<FfmpegDecoder>();
    if (!decoder->Open(path, error)) return nullptr;
    return decoder;
}

bool DecoderAvailable() { return avformat_version() > 0 && avcodec_version() > 0; }

} // namespace platform::video
