#include "Capture.h"

#include <objbase.h>
#include <wincodec.h>

#include <vector>

namespace forms::win32 {

namespace {

// A COM interface, released when it goes.
template <class T>
class Com {
public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() {
        if (m_p) m_p->Release();
    }
    T** out() { return &m_p; }
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }

private:
    T* m_p = nullptr;
};

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> bgra;  // rows top first, alpha opaque
};

bool copyFromScreen(HWND window, Pixels& out) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return false;
    out.width = rect.right - rect.left;
    out.height = rect.bottom - rect.top;
    if (out.width <= 0 || out.height <= 0) return false;
    HDC source = GetWindowDC(window);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info = topDownBgra(out.width, out.height);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool done = false;
    if (bitmap) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        done = BitBlt(memory, 0, 0, out.width, out.height, source, 0, 0, SRCCOPY) != 0;
        GdiFlush();
        if (done) {
            const auto* first = static_cast<const unsigned char*>(bits);
            out.bgra.assign(first, first + static_cast<std::size_t>(out.width) * out.height * 4);
            for (std::size_t alpha = 3; alpha < out.bgra.size(); alpha += 4) out.bgra[alpha] = 255;
        }
        SelectObject(memory, previous);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(window, source);
    return done;
}

std::string encodePng(Pixels& pixels) {
    Com<IWICImagingFactory> factory;
    Com<IStream> stream;
    Com<IWICBitmapEncoder> encoder;
    Com<IWICBitmapFrameEncode> frame;
    Com<IPropertyBag2> options;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    const UINT stride = static_cast<UINT>(pixels.width) * 4;
    const bool encoded =
        SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   reinterpret_cast<void**>(factory.out()))) &&
        SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, stream.out())) &&
        SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out())) &&
        SUCCEEDED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(frame.out(), options.out())) && SUCCEEDED(frame->Initialize(options.get())) &&
        SUCCEEDED(frame->SetSize(static_cast<UINT>(pixels.width), static_cast<UINT>(pixels.height))) &&
        SUCCEEDED(frame->SetPixelFormat(&format)) && IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA) &&
        SUCCEEDED(frame->WritePixels(static_cast<UINT>(pixels.height), stride,
                                     static_cast<UINT>(pixels.bgra.size()), pixels.bgra.data())) &&
        SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    if (!encoded) return "";
    ULARGE_INTEGER end{};
    HGLOBAL memory = nullptr;
    if (FAILED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &end)) || FAILED(GetHGlobalFromStream(stream.get(), &memory)))
        return "";
    const void* bytes = GlobalLock(memory);
    std::string png(static_cast<const char*>(bytes), static_cast<std::size_t>(end.QuadPart));
    GlobalUnlock(memory);
    return png;
}

}  // namespace

BITMAPINFO topDownBgra(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

std::string capturePng(HWND window) {
    Pixels pixels;
    if (!copyFromScreen(window, pixels)) return "";
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::string png = encodePng(pixels);
    if (SUCCEEDED(com)) CoUninitialize();
    return png;
}

}  // namespace forms::win32
