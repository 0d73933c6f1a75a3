#include "win32/gif_decoder.h"

#include <windows.h>
// After windows.h, which they need.
#include <propidl.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <utility>

#include "win32/handles.h"
#include "win32/wide_text.h"

namespace pq::win32 {
namespace {

using Microsoft::WRL::ComPtr;

// The file's first `wanted` bytes (all of them by default), when it is no
// larger than a banner may be.
std::optional<std::string> ReadSmallFile(const std::string& file_name,
                                         uint64_t wanted = kMaxAnimationFileBytes) {
  unique_file file(CreateFileW(Wide(file_name).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      static_cast<uint64_t>(size.QuadPart) > kMaxAnimationFileBytes)
    return std::nullopt;
  std::string bytes(static_cast<size_t>(std::min<uint64_t>(size.QuadPart, wanted)), '\0');
  DWORD read = 0;
  if (!bytes.empty() &&
      (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size()))
    return std::nullopt;
  return bytes;
}

class PropertyValue {
 public:
  PropertyValue() { PropVariantInit(&value_); }
  ~PropertyValue() { PropVariantClear(&value_); }
  PropertyValue(const PropertyValue&) = delete;
  PropertyValue& operator=(const PropertyValue&) = delete;
  PROPVARIANT* operator&() { return &value_; }
  const PROPVARIANT& operator*() const { return value_; }

 private:
  PROPVARIANT value_;
};

// A whole-number metadata value of up to 16 bits; none when it is missing.
std::optional<uint16_t> SmallNumber(IWICMetadataQueryReader* reader, const wchar_t* name) {
  if (!reader) return std::nullopt;
  PropertyValue value;
  if (FAILED(reader->GetMetadataByName(name, &value))) return std::nullopt;
  if ((*value).vt == VT_UI1) return (*value).bVal;
  if ((*value).vt == VT_UI2) return (*value).uiVal;
  return std::nullopt;
}

std::string Bytes(IWICMetadataQueryReader* reader, const wchar_t* name) {
  if (!reader) return std::string();
  PropertyValue value;
  if (FAILED(reader->GetMetadataByName(name, &value)) || (*value).vt != (VT_VECTOR | VT_UI1))
    return std::string();
  return std::string(reinterpret_cast<const char*>((*value).caub.pElems), (*value).caub.cElems);
}

// The looping extension as the decoder reads it: its data holds the
// sub-block's size, 1, and the count, low byte first.
std::optional<uint16_t> LoopCount(IWICBitmapDecoder* decoder,
                                  std::optional<uint16_t> from_the_blocks) {
  ComPtr<IWICMetadataQueryReader> reader;
  if (FAILED(decoder->GetMetadataQueryReader(&reader))) return from_the_blocks;
  const std::string application = Bytes(reader.Get(), L"/appext/Application");
  if (application != "NETSCAPE2.0" && application != "ANIMEXTS1.0") return from_the_blocks;
  const std::string data = Bytes(reader.Get(), L"/appext/Data");
  if (data.size() < 4 || data[0] < 3 || data[1] != 1) return from_the_blocks;
  return static_cast<uint16_t>(static_cast<uint8_t>(data[2]) | static_cast<uint8_t>(data[3]) << 8);
}

}  // namespace

unique_hbitmap LoadBannerBitmap(const std::string& file_name) {
  // The header tells the picture's size; the system's loader reads the rest.
  constexpr uint64_t kHeaderBytes = 64;
  const std::optional<std::string> bytes = ReadSmallFile(file_name, kHeaderBytes);
  if (!bytes || !StillBannerWithinLimits(*bytes)) return unique_hbitmap();
  return unique_hbitmap(static_cast<HBITMAP>(LoadImageW(
      nullptr, Wide(file_name).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
}

std::optional<BannerFrames> DecodeBannerGif(const std::string& file_name) {
  const std::optional<std::string> bytes = ReadSmallFile(file_name);
  if (!bytes) return std::nullopt;
  // The file's blocks are walked before any decoding: the imaging component
  // decodes every frame as it opens the file.
  const GifReading reading = ReadGifSummary(*bytes);
  if (!reading.problem.empty() || !AnimationLimitProblem(reading.summary).empty())
    return std::nullopt;
  const GifSummary& summary = reading.summary;

  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&factory))))
    return std::nullopt;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  UINT frame_count = 0;
  if (FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes->data())),
                                          static_cast<DWORD>(bytes->size()))) ||
      FAILED(factory->CreateDecoder(GUID_ContainerFormatGif, nullptr, &decoder)) ||
      FAILED(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnLoad)) ||
      FAILED(decoder->GetFrameCount(&frame_count)) || frame_count == 0 ||
      frame_count > kMaxAnimationFrames)
    return std::nullopt;

  BannerFrames result;
  const PictureSize screen{summary.width, summary.height};
  result.size = FitBanner(screen);
  result.loop_count = LoopCount(decoder.Get(), summary.loop_count);
  GifCanvas canvas(screen.width, screen.height);
  std::vector<Pixel> pixels;
  for (UINT index = 0; index < frame_count; ++index) {
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICBitmapSource> converted;
    UINT width = 0, height = 0;
    if (FAILED(decoder->GetFrame(index, &frame)) || FAILED(frame->GetSize(&width, &height)) ||
        static_cast<uint64_t>(width) * height > kMaxAnimationCanvasPixels * 4 ||
        FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.Get(), &converted)))
      return std::nullopt;
    pixels.assign(static_cast<size_t>(width) * height, Pixel{});
    if (!pixels.empty() &&
        FAILED(converted->CopyPixels(nullptr, width * sizeof(Pixel),
                                     static_cast<UINT>(pixels.size() * sizeof(Pixel)),
                                     reinterpret_cast<BYTE*>(pixels.data()))))
      return std::nullopt;
    ComPtr<IWICMetadataQueryReader> metadata;
    if (FAILED(frame->GetMetadataQueryReader(&metadata))) metadata.Reset();
    // What the imaging component cannot tell (Wine's cannot reach a control
    // block that another extension follows) is read from the blocks.
    const GifFrameInfo blocks =
        frame_count == summary.frames ? summary.frame_info[index] : GifFrameInfo();
    GifFrame drawn;
    drawn.left = SmallNumber(metadata.Get(), L"/imgdesc/Left").value_or(blocks.left);
    drawn.top = SmallNumber(metadata.Get(), L"/imgdesc/Top").value_or(blocks.top);
    drawn.width = static_cast<int32_t>(width);
    drawn.height = static_cast<int32_t>(height);
    // Methods 4 to 7 are not defined: none is specified.
    const std::optional<uint16_t> disposal = SmallNumber(metadata.Get(), L"/grctlext/Disposal");
    drawn.disposal = !disposal        ? blocks.disposal
                     : *disposal <= 3 ? static_cast<GifDisposal>(*disposal)
                                      : GifDisposal::Unspecified;
    drawn.pixels = pixels.data();
    result.frames.push_back(ScaleForBanner(canvas.Draw(drawn), screen, result.size));
    result.delays_ms.push_back(
        FrameDelayMs(SmallNumber(metadata.Get(), L"/grctlext/Delay").value_or(blocks.delay)));
  }
  return result;
}

}  // namespace pq::win32
