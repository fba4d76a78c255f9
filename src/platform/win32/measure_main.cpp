// tonegen-measure.exe: the measure tool as a console program over waveOut,
// waveIn, GDI and GDI+.
//
// How it works: the recording is queued first as blocks of 50 ms on the
// input (waveInAddBuffer) and started; then the samples to play go to the
// output as one header. The blocks come back filled in order, each waited
// for in turn (no callback: the headers' done flags are looked at), and the
// recording is the blocks one after another. The picture is drawn with GDI
// on a bitmap in memory and GDI+ encodes it as PNG into memory.
#include "app/measure.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_console.h"
#include "platform/win32/win32_wave_out.h"

#include <gdiplus.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr std::size_t block_frames = tonegen::stream_rate / 20;

std::string mm_text(const char* what, MMRESULT result)
{
    return std::string(what) + " (multimedia error " + std::to_string(result) + ")";
}

std::variant<std::vector<std::int16_t>, std::string> play_and_record(int output, int input,
                                                                     std::span<const std::int16_t> sent,
                                                                     std::int64_t record_frames,
                                                                     const tonegen::RenderProgress& progress)
{
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, tonegen::stream_rate, tonegen::stream_rate * 2, 2, 16, 0};
    HWAVEIN in = nullptr;
    MMRESULT result = ::waveInOpen(&in, static_cast<UINT>(input - 1), &format, 0, 0, CALLBACK_NULL);
    if (result != MMSYSERR_NOERROR)
        return mm_text("cannot record the input", result);
    std::vector<std::int16_t> recording(static_cast<std::size_t>(record_frames));
    std::vector<WAVEHDR> blocks((recording.size() + block_frames - 1) / block_frames);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const std::size_t frames = std::min(block_frames, recording.size() - i * block_frames);
        blocks[i].lpData = reinterpret_cast<LPSTR>(recording.data() + i * block_frames);
        blocks[i].dwBufferLength = static_cast<DWORD>(frames * 2);
        static_cast<void>(::waveInPrepareHeader(in, &blocks[i], sizeof(WAVEHDR)));
        static_cast<void>(::waveInAddBuffer(in, &blocks[i], sizeof(WAVEHDR)));
    }
    result = ::waveInStart(in);
    std::string problem = result == MMSYSERR_NOERROR ? "" : mm_text("cannot start recording the input", result);

    HWAVEOUT out = nullptr;
    WAVEHDR played{};
    if (problem.empty()) {
        result = ::waveOutOpen(&out, static_cast<UINT>(output - 1), &format, 0, 0, CALLBACK_NULL);
        if (result != MMSYSERR_NOERROR)
            problem = mm_text("cannot play on the output", result);
    }
    if (out) {
        played.lpData = reinterpret_cast<LPSTR>(const_cast<std::int16_t*>(sent.data()));
        played.dwBufferLength = static_cast<DWORD>(sent.size() * 2);
        static_cast<void>(::waveOutPrepareHeader(out, &played, sizeof(WAVEHDR)));
        static_cast<void>(::waveOutWrite(out, &played, sizeof(WAVEHDR)));
    }
    for (std::size_t i = 0; problem.empty() && i < blocks.size(); ++i) {
        // A block is 50 ms; one not back after two seconds more is not coming.
        for (int waited = 0; !(blocks[i].dwFlags & WHDR_DONE); waited += 5) {
            if (waited > 2000 + 50) {
                problem = "the input stopped handing back what it recorded";
                break;
            }
            ::Sleep(5);
        }
        progress(static_cast<std::int64_t>(std::min(recording.size(), (i + 1) * block_frames)), record_frames);
    }
    if (out) {
        static_cast<void>(::waveOutReset(out));
        static_cast<void>(::waveOutUnprepareHeader(out, &played, sizeof(WAVEHDR)));
        static_cast<void>(::waveOutClose(out));
    }
    static_cast<void>(::waveInReset(in));
    for (WAVEHDR& block : blocks)
        static_cast<void>(::waveInUnprepareHeader(in, &block, sizeof(WAVEHDR)));
    static_cast<void>(::waveInClose(in));
    if (!problem.empty())
        return problem;
    return recording;
}

void draw(HDC dc, const tonegen::PlotPicture& picture)
{
    const RECT all{0, 0, picture.width, picture.height};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    for (const tonegen::PlotLine& l : picture.lines) {
        const tonegen::PlotPen look = tonegen::pen_of(l.ink);
        HPEN pen = ::CreatePen(PS_SOLID, look.width, RGB(look.red, look.green, look.blue));
        HGDIOBJ old = ::SelectObject(dc, pen);
        static_cast<void>(::MoveToEx(dc, static_cast<int>(std::lround(l.x1)), static_cast<int>(std::lround(l.y1)), nullptr));
        static_cast<void>(::LineTo(dc, static_cast<int>(std::lround(l.x2)), static_cast<int>(std::lround(l.y2))));
        ::SelectObject(dc, old);
        ::DeleteObject(pen);
    }
    HFONT font = ::CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, L"Segoe UI");
    HGDIOBJ old = ::SelectObject(dc, font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(0, 0, 0));
    for (const tonegen::PlotText& t : picture.texts) {
        ::SetTextAlign(dc, TA_TOP | (t.anchor == tonegen::PlotText::Anchor::left    ? TA_LEFT
                                     : t.anchor == tonegen::PlotText::Anchor::right ? TA_RIGHT
                                                                                    : TA_CENTER));
        std::wstring text(t.text.begin(), t.text.end()); // the plot's texts are ASCII
        ::TextOutW(dc, static_cast<int>(std::lround(t.x)), static_cast<int>(std::lround(t.y)) - 7, text.c_str(),
                   static_cast<int>(text.size()));
    }
    ::SelectObject(dc, old);
    ::DeleteObject(font);
}

std::variant<std::vector<unsigned char>, std::string> png_of(const tonegen::PlotPicture& picture)
{
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), picture.width, -picture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ::ReleaseDC(nullptr, screen);
    if (!bitmap) {
        ::DeleteDC(dc);
        return std::string("cannot make the picture: no bitmap");
    }
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    draw(dc, picture);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);

    std::string problem = "cannot make the picture: GDI+ wrote no PNG";
    std::vector<unsigned char> bytes;
    ULONG_PTR token = 0;
    const Gdiplus::GdiplusStartupInput startup;
    if (Gdiplus::GdiplusStartup(&token, &startup, nullptr) == Gdiplus::Ok) {
        Gdiplus::GpBitmap* image = nullptr;
        IStream* stream = nullptr;
        // The PNG encoder's class, as GDI+ names it.
        const CLSID png{0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
        if (Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) == Gdiplus::Ok &&
            ::CreateStreamOnHGlobal(nullptr, TRUE, &stream) == S_OK &&
            Gdiplus::DllExports::GdipSaveImageToStream(image, stream, &png, nullptr) == Gdiplus::Ok) {
            HGLOBAL memory = nullptr;
            STATSTG stat{};
            if (::GetHGlobalFromStream(stream, &memory) == S_OK && stream->Stat(&stat, STATFLAG_NONAME) == S_OK) {
                const auto* data = static_cast<const unsigned char*>(::GlobalLock(memory));
                if (data) {
                    bytes.assign(data, data + stat.cbSize.QuadPart);
                    ::GlobalUnlock(memory);
                    problem.clear();
                }
            }
        }
        if (stream)
            stream->Release();
        if (image)
            Gdiplus::DllExports::GdipDisposeImage(image);
        Gdiplus::GdiplusShutdown(token);
    }
    ::DeleteObject(bitmap);
    if (!problem.empty())
        return problem;
    return bytes;
}

} // namespace

int main()
{
    const auto outputs = [] { return tonegen::OutputNames{tonegen::win32::Win32WaveOut::device_names(), {}}; };
    const auto inputs = [] { return tonegen::OutputNames{tonegen::win32::wave_in_device_names(), {}}; };
    const tonegen::MeasureSystem system{outputs, inputs, play_and_record, png_of};
    return tonegen::run_measure(tonegen::win32::command_line_arguments(), system, tonegen::win32::error_is_console(),
                                stdout, stderr);
}
