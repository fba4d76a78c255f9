// tonegen-measure on Linux: the measure tool over the sound server and
// Qt's painter; no window, no display.
//
// How it works: the inputs are the server's sources (a sink's monitor is
// one). A record stream on the input is opened first, then the samples are
// played on the output through the same kind of playback stream as the
// program's (qt_pulse_sink.h), fed from memory and played out to the end.
// Meanwhile the recording is read in 50 ms blocks, as fast as the server
// hands them over, until it is as long as asked; so it holds whatever came
// before the signal, which the analysis finds and leaves out. The picture
// is painted on a QImage under Qt's offscreen platform and saved as PNG.
#include "app/measure.h"
#include "platform/qt/qt_pulse_sink.h"

#include <QBuffer>
#include <QByteArray>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPen>

#include <pulse/error.h>
#include <pulse/simple.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <memory>

namespace {

using tonegen::qt::PulseSoundServer;

// The samples to play, handed to the playback stream as it asks.
class SentFeed final : public tonegen::qt::SoundFeed {
public:
    explicit SentFeed(std::span<const std::int16_t> sent) : sent_(sent) {}
    std::size_t read(char* data, std::size_t bytes) noexcept override
    {
        const std::size_t frames = std::min(bytes / 2, sent_.size() - next_);
        std::memcpy(data, sent_.data() + next_, frames * 2);
        next_ += frames;
        return frames * 2;
    }

private:
    std::span<const std::int16_t> sent_;
    std::size_t next_ = 0;
};

std::variant<std::vector<std::int16_t>, std::string> play_and_record(int output, int input,
                                                                     std::span<const std::int16_t> sent,
                                                                     std::int64_t record_frames,
                                                                     const tonegen::RenderProgress& progress)
{
    PulseSoundServer server;
    const std::vector<tonegen::qt::SoundOutput> outputs = server.outputs(), inputs = server.inputs();
    if (output > static_cast<int>(outputs.size()) || input > static_cast<int>(inputs.size()))
        return std::string("the sound server's devices changed while the measurement started");
    const std::string source = inputs[static_cast<std::size_t>(input - 1)].device;

    const pa_sample_spec spec{PA_SAMPLE_S16LE, tonegen::stream_rate, 1};
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.fragsize = tonegen::stream_rate / 20 * 2; // a block each 50 ms
    int error = 0;
    const std::unique_ptr<pa_simple, void (*)(pa_simple*)> recorder(
        pa_simple_new(nullptr, "tonegen-measure", PA_STREAM_RECORD, source.c_str(), "measurement", &spec, nullptr,
                      &attr, &error),
        pa_simple_free);
    if (!recorder)
        return "cannot record " + source + ": " + pa_strerror(error);

    SentFeed feed(sent);
    const std::unique_ptr<tonegen::qt::SoundSink> player = server.make_sink(
        outputs[static_cast<std::size_t>(output - 1)].device, "tonegen-measure", {200, 50}, nullptr);
    if (!player->open(feed, false))
        return "cannot play on " + outputs[static_cast<std::size_t>(output - 1)].device;

    std::vector<std::int16_t> recording(static_cast<std::size_t>(record_frames));
    const std::size_t block = tonegen::stream_rate / 20;
    for (std::size_t done = 0; done < recording.size();) {
        const std::size_t n = std::min(block, recording.size() - done);
        if (pa_simple_read(recorder.get(), recording.data() + done, n * 2, &error) < 0)
            return "the recording of " + source + " failed: " + pa_strerror(error);
        done += n;
        progress(static_cast<std::int64_t>(done), record_frames);
    }
    player->close();
    return recording;
}

std::variant<std::vector<unsigned char>, std::string> png_of(const tonegen::PlotPicture& picture)
{
    // Text needs the font database, which needs an application; the
    // offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "tonegen-measure";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    // Qt takes the environment's locale; the numbers printed after this keep their points.
    static_cast<void>(std::setlocale(LC_NUMERIC, "C"));

    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        for (const tonegen::PlotLine& l : picture.lines) {
            const tonegen::PlotPen pen = tonegen::pen_of(l.ink);
            painter.setPen(QPen(QColor(pen.red, pen.green, pen.blue), pen.width * 0.75));
            painter.drawLine(QPointF(l.x1, l.y1), QPointF(l.x2, l.y2));
        }
        QFont font = painter.font();
        font.setPixelSize(12);
        painter.setFont(font);
        painter.setPen(Qt::black);
        for (const tonegen::PlotText& t : picture.texts) {
            const int flags = Qt::AlignVCenter | (t.anchor == tonegen::PlotText::Anchor::left    ? Qt::AlignLeft
                                                  : t.anchor == tonegen::PlotText::Anchor::right ? Qt::AlignRight
                                                                                                 : Qt::AlignHCenter);
            const double x = t.anchor == tonegen::PlotText::Anchor::left    ? t.x
                             : t.anchor == tonegen::PlotText::Anchor::right ? t.x - 400
                                                                            : t.x - 200;
            painter.drawText(QRectF(x, t.y - 10, 400, 20), flags, QString::fromStdString(t.text));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return std::string("cannot make the picture: Qt wrote no PNG");
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

} // namespace

int main(int argc, char* argv[])
{
    const tonegen::MeasureSystem system{
        [] { return tonegen::qt::names_of(PulseSoundServer().outputs()); },
        [] { return tonegen::qt::names_of(PulseSoundServer().inputs()); },
        play_and_record,
        png_of,
    };
    return tonegen::run_measure(std::vector<std::string>(argv + 1, argv + argc), system,
                                ::isatty(STDERR_FILENO) == 1, stdout, stderr);
}
