#include "WicImageDecoder.h"

#include <windows.h>
#include <wincodec.h>

#include "CMovie.h"

namespace {

template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr()
    {
        if (m_p) m_p->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    Interface** operator&() { return &m_p; }
    Interface* operator->() const { return m_p; }
    Interface* Get() const { return m_p; }

private:
    Interface* m_p = nullptr;
};

} // namespace

bool DecodeImageWithWic(const std::uint8_t* data, std::size_t size, Bitmap& image)
{
    if (!data || size == 0 || size > 0xFFFFFFFFu) return false;
    // The caller's thread may or may not have COM; this call needs it only for its own length.
    const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool decoded = false;
    {
        ComPtr<IWICImagingFactory> factory;
        ComPtr<IWICStream> stream;
        ComPtr<IWICBitmapDecoder> decoder;
        ComPtr<IWICBitmapFrameDecode> frame;
        ComPtr<IWICFormatConverter> converter;
        UINT width = 0, height = 0;
        if (SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                         reinterpret_cast<void**>(&factory))) &&
            SUCCEEDED(factory->CreateStream(&stream)) &&
            SUCCEEDED(stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size))) &&
            SUCCEEDED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) &&
            SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetSize(&width, &height)) && width > 0 &&
            height > 0 && std::size_t{width} * height * 4 <= CMovie::kMaxBitmapBytes &&
            SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
            SUCCEEDED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppRGBA, WICBitmapDitherTypeNone, nullptr,
                                            0.0, WICBitmapPaletteTypeCustom))) {
            image.width = static_cast<int>(width);
            image.height = static_cast<int>(height);
            image.pixels.assign(std::size_t{width} * height, Rgba{});
            decoded = SUCCEEDED(converter->CopyPixels(nullptr, width * 4, width * height * 4,
                                                      reinterpret_cast<BYTE*>(image.pixels.data())));
            if (!decoded) {
                image.width = image.height = 0;
                image.pixels.clear();
            }
        }
    }
    if (SUCCEEDED(init)) ::CoUninitialize();
    return decoded;
}
