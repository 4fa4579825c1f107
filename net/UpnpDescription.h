// A UPnP device description (the XML behind an SSDP answer's LOCATION): the root device's own
// name, maker and model, read by a small bounded reader of our own. The document is untrusted
// input; no Windows headers here, so the reader is built and fuzzed natively too.
#pragma once

#include <cstddef>
#include <string>

// The longest values kept, in characters (code points). UPnP asks devices for fewer than 64
// and 32; a longer value is cut at a character, then trimmed.
constexpr size_t kMaxFriendlyNameChars = 64;
constexpr size_t kMaxManufacturerChars = 64;
constexpr size_t kMaxModelNameChars = 32;
// Elements open at once; real descriptions use about 8.
constexpr size_t kMaxDescriptionDepth = 32;

struct UpnpDevice {
    std::string FriendlyName;  // UTF-8 all three, no control characters
    std::string Manufacturer;
    std::string ModelName;
};

// Reads friendlyName, manufacturer and modelName of the <device> directly inside <root>, never
// those of the devices in its <deviceList>. Elements are matched by local name, whatever their
// prefix. False, with every field empty, for a document that has a DOCTYPE or any other "<!"
// declaration, nesting that does not match or goes deeper than kMaxDescriptionDepth, a document
// element other than <root>, no root device, or a document that ends before </root>.
// Within a value: the five predefined entities and numeric references are decoded (CDATA is
// text); bytes that are not UTF-8 become '?'; every run of spaces, tabs and line ends becomes
// one space and the ends are trimmed; the value is cut to its maximum above. A field is empty
// where its value has another C0 control, DEL or a C1 control (raw or by reference), an unknown
// entity, a reference to no character (0, a surrogate, above U+10FFFF), or an element inside it.
bool ReadUpnpDescription(const char* xml, size_t size, UpnpDevice& device);

// The Description cell's text: "<maker> <model>"; the model alone where it already starts with
// the maker's name or the first word of it ("Synology Inc." and "Synology DS920+" give
// "Synology DS920+"), compared without letter case and followed in the model by no letter or
// digit; whichever of the two there is where one is missing; empty where neither is.
std::string UpnpDeviceDescription(const UpnpDevice& device);
