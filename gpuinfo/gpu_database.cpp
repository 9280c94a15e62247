// The GPU chip tables and their lookups. Rows list only device ids known for certain (each
// checked against pci.ids, or against the vendor's own id lists for chips newer than Debian's
// copy of it); where
// one id covers several boards (RX 6800/6800 XT/6900 XT share Navi 21's id), the shader
// count is -1 because the id alone cannot tell them apart. Intel's shader column counts
// execution units (Xe vector engines on Arc), as the HD 2000 row always has.
#include "gpuinfo/gpu_database.h"

namespace Ridudedozu {

namespace {

// clang-format off
const GpuDatabaseRow kNvidiaTable[] = {
    {0x0090, 0, "G70", "7800 GTX", "NVIDIA GeForce 7800 GTX", 90, 0, 8, 24, 24, 16, 81},
    {0x06C0, 0, "GF100", "GTX 480", "NVIDIA GeForce GTX 480", 110, 480, 0, 0, 0, 0, 250},
    {0x06CD, 0, "GF100", "GTX 470", "NVIDIA GeForce GTX 470", 110, 448, 0, 0, 0, 0, 215},
    {0x06C4, 0, "GF100", "GTX 465", "NVIDIA GeForce GTX 465", 110, 352, 0, 0, 0, 0, 200},
    {0x0E22, 0, "GF104", "GTX 460", "NVIDIA GeForce GTX 460", 110, 336, 0, 0, 0, 0, 160},
    {0x0DC4, 0, "GF106", "GTS 450", "NVIDIA GeForce GTS 450", 110, 192, 0, 0, 0, 0, 106},
    {0x0DE1, 0, "GF108", "GT 430", "NVIDIA GeForce GT 430", 110, 96, 0, 0, 0, 0, 49},
    {0x1080, 0, "GF110", "GTX 580", "NVIDIA GeForce GTX 580", 110, 512, 0, 0, 0, 0, 244},
    {0x1081, 0, "GF110", "GTX 570", "NVIDIA GeForce GTX 570", 110, 480, 0, 0, 0, 0, 219},
    {0x1200, 0, "GF114", "GTX 560 Ti", "NVIDIA GeForce GTX 560 Ti", 110, 384, 0, 0, 0, 0, 170},
    {0x1201, 0, "GF114", "GTX 560", "NVIDIA GeForce GTX 560", 110, 336, 0, 0, 0, 0, 150},
    {0x1180, 0, "GK104", "GTX 680", "NVIDIA GeForce GTX 680", 110, 1536, 0, 0, 0, 0, 195},
    {0x1189, 0, "GK104", "GTX 670", "NVIDIA GeForce GTX 670", 110, 1344, 0, 0, 0, 0, 170},
    {0x1183, 0, "GK104", "GTX 660 Ti", "NVIDIA GeForce GTX 660 Ti", 110, 1344, 0, 0, 0, 0, 150},
    {0x1184, 0, "GK104", "GTX 770", "NVIDIA GeForce GTX 770", 110, 1536, 0, 0, 0, 0, 230},
    {0x1187, 0, "GK104", "GTX 760", "NVIDIA GeForce GTX 760", 110, 1152, 0, 0, 0, 0, 170},
    {0x11C0, 0, "GK106", "GTX 660", "NVIDIA GeForce GTX 660", 110, 960, 0, 0, 0, 0, 140},
    {0x11C6, 0, "GK106", "GTX 650 Ti", "NVIDIA GeForce GTX 650 Ti", 110, 768, 0, 0, 0, 0, 110},
    {0x0FC6, 0, "GK107", "GTX 650", "NVIDIA GeForce GTX 650", 110, 384, 0, 0, 0, 0, 64},
    {0x1005, 0, "GK110", "GTX Titan", "NVIDIA GeForce GTX TITAN", 110, 2688, 0, 0, 0, 0, 250},
    {0x1004, 0, "GK110", "GTX 780", "NVIDIA GeForce GTX 780", 110, 2304, 0, 0, 0, 0, 250},
    {0x100A, 0, "GK110B", "GTX 780 Ti", "NVIDIA GeForce GTX 780 Ti", 110, 2880, 0, 0, 0, 0, 250},
    {0x100C, 0, "GK110B", "GTX Titan Black", "NVIDIA GeForce GTX TITAN Black", 110, 2880, 0, 0, 0, 0, 250},
    {0x1380, 0, "GM107", "GTX 750 Ti", "NVIDIA GeForce GTX 750 Ti", 110, 640, 0, 0, 0, 0, 60},
    {0x1381, 0, "GM107", "GTX 750", "NVIDIA GeForce GTX 750", 110, 512, 0, 0, 0, 0, 55},
    {0x13C0, 0, "GM204", "GTX 980", "NVIDIA GeForce GTX 980", 120, 2048, 0, 0, 0, 0, 165},
    {0x13C2, 0, "GM204", "GTX 970", "NVIDIA GeForce GTX 970", 120, 1664, 0, 0, 0, 0, 145},
    {0x1401, 0, "GM206", "GTX 960", "NVIDIA GeForce GTX 960", 120, 1024, 0, 0, 0, 0, 120},
    {0x1402, 0, "GM206", "GTX 950", "NVIDIA GeForce GTX 950", 120, 768, 0, 0, 0, 0, 90},
    {0x17C8, 0, "GM200", "GTX 980 Ti", "NVIDIA GeForce GTX 980 Ti", 120, 2816, 0, 0, 0, 0, 250},
    {0x17C2, 0, "GM200", "GTX Titan X", "NVIDIA GeForce GTX TITAN X", 120, 3072, 0, 0, 0, 0, 250},
    {0x1B80, 0, "GP104", "GTX 1080", "NVIDIA GeForce GTX 1080", 120, 2560, 0, 0, 0, 0, 180},
    {0x1B81, 0, "GP104", "GTX 1070", "NVIDIA GeForce GTX 1070", 120, 1920, 0, 0, 0, 0, 150},
    {0x1B82, 0, "GP104", "GTX 1070 Ti", "NVIDIA GeForce GTX 1070 Ti", 120, 2432, 0, 0, 0, 0, 180},
    {0x1B06, 0, "GP102", "GTX 1080 Ti", "NVIDIA GeForce GTX 1080 Ti", 120, 3584, 0, 0, 0, 0, 250},
    {0x1B00, 0, "GP102", "Titan X", "NVIDIA TITAN X (Pascal)", 120, 3584, 0, 0, 0, 0, 250},
    {0x1C03, 0, "GP106", "GTX 1060 6GB", "NVIDIA GeForce GTX 1060 6GB", 120, 1280, 0, 0, 0, 0, 120},
    {0x1C02, 0, "GP106", "GTX 1060 3GB", "NVIDIA GeForce GTX 1060 3GB", 120, 1152, 0, 0, 0, 0, 120},
    {0x1C82, 0, "GP107", "GTX 1050 Ti", "NVIDIA GeForce GTX 1050 Ti", 120, 768, 0, 0, 0, 0, 75},
    {0x1C81, 0, "GP107", "GTX 1050", "NVIDIA GeForce GTX 1050", 120, 640, 0, 0, 0, 0, 75},
    {0x1D01, 0, "GP108", "GT 1030", "NVIDIA GeForce GT 1030", 120, 384, 0, 0, 0, 0, 30},
    {0x1E04, 0, "TU102", "RTX 2080 Ti", "NVIDIA GeForce RTX 2080 Ti", 120, 4352, 0, 0, 0, 0, 250},
    {0x1E07, 0, "TU102", "RTX 2080 Ti", "NVIDIA GeForce RTX 2080 Ti", 120, 4352, 0, 0, 0, 0, 250},
    {0x1E82, 0, "TU104", "RTX 2080", "NVIDIA GeForce RTX 2080", 120, 2944, 0, 0, 0, 0, 215},
    {0x1E87, 0, "TU104", "RTX 2080", "NVIDIA GeForce RTX 2080", 120, 2944, 0, 0, 0, 0, 215},
    {0x1E81, 0, "TU104", "RTX 2080 Super", "NVIDIA GeForce RTX 2080 SUPER", 120, 3072, 0, 0, 0, 0, 250},
    {0x1E84, 0, "TU104", "RTX 2070 Super", "NVIDIA GeForce RTX 2070 SUPER", 120, 2560, 0, 0, 0, 0, 215},
    {0x1F02, 0, "TU106", "RTX 2070", "NVIDIA GeForce RTX 2070", 120, 2304, 0, 0, 0, 0, 175},
    {0x1F07, 0, "TU106", "RTX 2070", "NVIDIA GeForce RTX 2070", 120, 2304, 0, 0, 0, 0, 175},
    {0x1F08, 0, "TU106", "RTX 2060", "NVIDIA GeForce RTX 2060", 120, 1920, 0, 0, 0, 0, 160},
    {0x1F06, 0, "TU106", "RTX 2060 Super", "NVIDIA GeForce RTX 2060 SUPER", 120, 2176, 0, 0, 0, 0, 175},
    {0x2182, 0, "TU116", "GTX 1660 Ti", "NVIDIA GeForce GTX 1660 Ti", 120, 1536, 0, 0, 0, 0, 120},
    {0x2184, 0, "TU116", "GTX 1660", "NVIDIA GeForce GTX 1660", 120, 1408, 0, 0, 0, 0, 120},
    {0x21C4, 0, "TU116", "GTX 1660 Super", "NVIDIA GeForce GTX 1660 SUPER", 120, 1408, 0, 0, 0, 0, 125},
    {0x1F82, 0, "TU117", "GTX 1650", "NVIDIA GeForce GTX 1650", 120, 896, 0, 0, 0, 0, 75},
    {0x2204, 0, "GA102", "RTX 3090", "NVIDIA GeForce RTX 3090", 120, 10496, 0, 0, 0, 0, 350},
    {0x2203, 0, "GA102", "RTX 3090 Ti", "NVIDIA GeForce RTX 3090 Ti", 120, 10752, 0, 0, 0, 0, 450},
    {0x2206, 0, "GA102", "RTX 3080", "NVIDIA GeForce RTX 3080", 120, 8704, 0, 0, 0, 0, 320},
    {0x2208, 0, "GA102", "RTX 3080 Ti", "NVIDIA GeForce RTX 3080 Ti", 120, 10240, 0, 0, 0, 0, 350},
    {0x2484, 0, "GA104", "RTX 3070", "NVIDIA GeForce RTX 3070", 120, 5888, 0, 0, 0, 0, 220},
    {0x2488, 0, "GA104", "RTX 3070", "NVIDIA GeForce RTX 3070", 120, 5888, 0, 0, 0, 0, 220},
    {0x2482, 0, "GA104", "RTX 3070 Ti", "NVIDIA GeForce RTX 3070 Ti", 120, 6144, 0, 0, 0, 0, 290},
    {0x2486, 0, "GA104", "RTX 3060 Ti", "NVIDIA GeForce RTX 3060 Ti", 120, 4864, 0, 0, 0, 0, 200},
    {0x2489, 0, "GA104", "RTX 3060 Ti", "NVIDIA GeForce RTX 3060 Ti", 120, 4864, 0, 0, 0, 0, 200},
    {0x2503, 0, "GA106", "RTX 3060", "NVIDIA GeForce RTX 3060", 120, 3584, 0, 0, 0, 0, 170},
    {0x2504, 0, "GA106", "RTX 3060", "NVIDIA GeForce RTX 3060", 120, 3584, 0, 0, 0, 0, 170},
    {0x2684, 0, "AD102", "RTX 4090", "NVIDIA GeForce RTX 4090", 120, 16384, 0, 0, 0, 0, 450},
    {0x2704, 0, "AD103", "RTX 4080", "NVIDIA GeForce RTX 4080", 120, 9728, 0, 0, 0, 0, 320},
    {0x2702, 0, "AD103", "RTX 4080 Super", "NVIDIA GeForce RTX 4080 SUPER", 120, 10240, 0, 0, 0, 0, 320},
    {0x2705, 0, "AD103", "RTX 4070 Ti Super", "NVIDIA GeForce RTX 4070 Ti SUPER", 120, 8448, 0, 0, 0, 0, 285},
    {0x2782, 0, "AD104", "RTX 4070 Ti", "NVIDIA GeForce RTX 4070 Ti", 120, 7680, 0, 0, 0, 0, 285},
    {0x2783, 0, "AD104", "RTX 4070 Super", "NVIDIA GeForce RTX 4070 SUPER", 120, 7168, 0, 0, 0, 0, 220},
    {0x2786, 0, "AD104", "RTX 4070", "NVIDIA GeForce RTX 4070", 120, 5888, 0, 0, 0, 0, 200},
    {0x2803, 0, "AD106", "RTX 4060 Ti", "NVIDIA GeForce RTX 4060 Ti", 120, 4352, 0, 0, 0, 0, 160},
    {0x2805, 0, "AD106", "RTX 4060 Ti", "NVIDIA GeForce RTX 4060 Ti 16GB", 120, 4352, 0, 0, 0, 0, 165},
    {0x2882, 0, "AD107", "RTX 4060", "NVIDIA GeForce RTX 4060", 120, 3072, 0, 0, 0, 0, 115},
    {0x2B85, 0, "GB202", "RTX 5090", "NVIDIA GeForce RTX 5090", 120, 21760, 0, 0, 0, 0, 575},
    {0x2C02, 0, "GB203", "RTX 5080", "NVIDIA GeForce RTX 5080", 120, 10752, 0, 0, 0, 0, 360},
    // Laptop GPUs: their power limits vary by laptop, so no TDP.
    {0x2520, 0, "GA106", "RTX 3060 Laptop", "NVIDIA GeForce RTX 3060 Laptop GPU", 120, 3840, 0, 0, 0, 0, 0},
    {0x2560, 0, "GA106", "RTX 3060 Laptop", "NVIDIA GeForce RTX 3060 Laptop GPU", 120, 3840, 0, 0, 0, 0, 0},
    {0x249D, 0, "GA104", "RTX 3070 Laptop", "NVIDIA GeForce RTX 3070 Laptop GPU", 120, 5120, 0, 0, 0, 0, 0},
    {0x24DD, 0, "GA104", "RTX 3070 Laptop", "NVIDIA GeForce RTX 3070 Laptop GPU", 120, 5120, 0, 0, 0, 0, 0},
    {0x24A0, 0, "GA104", "RTX 3070 Ti Laptop", "NVIDIA GeForce RTX 3070 Ti Laptop GPU", 120, 5888, 0, 0, 0, 0, 0},
    {0x249C, 0, "GA104", "RTX 3080 Laptop", "NVIDIA GeForce RTX 3080 Laptop GPU", 120, 6144, 0, 0, 0, 0, 0},
    {0x24DC, 0, "GA104", "RTX 3080 Laptop", "NVIDIA GeForce RTX 3080 Laptop GPU", 120, 6144, 0, 0, 0, 0, 0},
    {0x2420, 0, "GA103", "RTX 3080 Ti Laptop", "NVIDIA GeForce RTX 3080 Ti Laptop GPU", 120, 7424, 0, 0, 0, 0, 0},
    {0x2460, 0, "GA103", "RTX 3080 Ti Laptop", "NVIDIA GeForce RTX 3080 Ti Laptop GPU", 120, 7424, 0, 0, 0, 0, 0},
    {0x25A0, 0, "GA107", "RTX 3050 Ti Laptop", "NVIDIA GeForce RTX 3050 Ti Laptop GPU", 120, 2560, 0, 0, 0, 0, 0},
    {0x25E0, 0, "GA107", "RTX 3050 Ti Laptop", "NVIDIA GeForce RTX 3050 Ti Laptop GPU", 120, 2560, 0, 0, 0, 0, 0},
    {0x25A2, 0, "GA107", "RTX 3050 Laptop", "NVIDIA GeForce RTX 3050 Laptop GPU", 120, 2048, 0, 0, 0, 0, 0},
    {0x25A5, 0, "GA107", "RTX 3050 Laptop", "NVIDIA GeForce RTX 3050 Laptop GPU", 120, 2048, 0, 0, 0, 0, 0},
    {0x25E2, 0, "GA107", "RTX 3050 Laptop", "NVIDIA GeForce RTX 3050 Laptop GPU", 120, 2048, 0, 0, 0, 0, 0},
    {0x25A9, 0, "GA107", "RTX 2050", "NVIDIA GeForce RTX 2050", 120, 2048, 0, 0, 0, 0, 0},
    {0x2717, 0, "AD103", "RTX 4090 Laptop", "NVIDIA GeForce RTX 4090 Laptop GPU", 120, 9728, 0, 0, 0, 0, 0},
    {0x2757, 0, "AD103", "RTX 4090 Laptop", "NVIDIA GeForce RTX 4090 Laptop GPU", 120, 9728, 0, 0, 0, 0, 0},
    {0x27A0, 0, "AD104", "RTX 4080 Laptop", "NVIDIA GeForce RTX 4080 Laptop GPU", 120, 7424, 0, 0, 0, 0, 0},
    {0x27E0, 0, "AD104", "RTX 4080 Laptop", "NVIDIA GeForce RTX 4080 Laptop GPU", 120, 7424, 0, 0, 0, 0, 0},
    {0x2820, 0, "AD106", "RTX 4070 Laptop", "NVIDIA GeForce RTX 4070 Laptop GPU", 120, 4608, 0, 0, 0, 0, 0},
    {0x2860, 0, "AD106", "RTX 4070 Laptop", "NVIDIA GeForce RTX 4070 Laptop GPU", 120, 4608, 0, 0, 0, 0, 0},
    {0x28A0, 0, "AD107", "RTX 4060 Laptop", "NVIDIA GeForce RTX 4060 Laptop GPU", 120, 3072, 0, 0, 0, 0, 0},
    {0x28E0, 0, "AD107", "RTX 4060 Laptop", "NVIDIA GeForce RTX 4060 Laptop GPU", 120, 3072, 0, 0, 0, 0, 0},
    {0x28A1, 0, "AD107", "RTX 4050 Laptop", "NVIDIA GeForce RTX 4050 Laptop GPU", 120, 2560, 0, 0, 0, 0, 0},
    {0x28E1, 0, "AD107", "RTX 4050 Laptop", "NVIDIA GeForce RTX 4050 Laptop GPU", 120, 2560, 0, 0, 0, 0, 0},
    {0x1F91, 0, "TU117", "GTX 1650 Mobile", "NVIDIA GeForce GTX 1650 Mobile / Max-Q", 120, 1024, 0, 0, 0, 0, 0},
    {0x1F96, 0, "TU117", "GTX 1650 Mobile", "NVIDIA GeForce GTX 1650 Mobile / Max-Q", 120, 1024, 0, 0, 0, 0, 0},
    {0x1F9D, 0, "TU117", "GTX 1650 Mobile", "NVIDIA GeForce GTX 1650 Mobile / Max-Q", 120, 1024, 0, 0, 0, 0, 0},
    {0x1F95, 0, "TU117", "GTX 1650 Ti Mobile", "NVIDIA GeForce GTX 1650 Ti Mobile", 120, 1024, 0, 0, 0, 0, 0},
    {0x1D10, 0, "GP108", "MX150", "NVIDIA GeForce MX150", 120, 384, 0, 0, 0, 0, 0},
    {0x1D12, 0, "GP108", "MX150", "NVIDIA GeForce MX150", 120, 384, 0, 0, 0, 0, 0},
    {0x1D13, 0, "GP108", "MX250", "NVIDIA GeForce MX250", 120, 384, 0, 0, 0, 0, 0},
    {0x1D52, 0, "GP108", "MX250", "NVIDIA GeForce MX250", 120, 384, 0, 0, 0, 0, 0},
    {0x1D16, 0, "GP108", "MX330", "NVIDIA GeForce MX330", 120, 384, 0, 0, 0, 0, 0},
    {0x1C94, 0, "GP107", "MX350", "NVIDIA GeForce MX350", 120, 640, 0, 0, 0, 0, 0},
    {0x1C96, 0, "GP107", "MX350", "NVIDIA GeForce MX350", 120, 640, 0, 0, 0, 0, 0},
    {0x1F97, 0, "TU117", "MX450", "NVIDIA GeForce MX450", 120, 896, 0, 0, 0, 0, 0},
    {0x1F98, 0, "TU117", "MX450", "NVIDIA GeForce MX450", 120, 896, 0, 0, 0, 0, 0},
    {0x1F9F, 0, "TU117", "MX550", "NVIDIA GeForce MX550", 120, 1024, 0, 0, 0, 0, 0},
    {0x1FA0, 0, "TU117", "MX550", "NVIDIA GeForce MX550", 120, 1024, 0, 0, 0, 0, 0},
    {0x1E90, 0, "TU104", "RTX 2080 Mobile", "NVIDIA GeForce RTX 2080 Mobile", 120, 2944, 0, 0, 0, 0, 0},
    {0x1E91, 0, "TU104", "RTX 2070 Super Mobile", "NVIDIA GeForce RTX 2070 SUPER Mobile", 120, 2560, 0, 0, 0, 0, 0},
    {0x1F10, 0, "TU106", "RTX 2070 Mobile", "NVIDIA GeForce RTX 2070 Mobile", 120, 2304, 0, 0, 0, 0, 0},
    {0x1F14, 0, "TU106", "RTX 2070 Mobile", "NVIDIA GeForce RTX 2070 Mobile", 120, 2304, 0, 0, 0, 0, 0},
    {0x1F50, 0, "TU106", "RTX 2070 Mobile", "NVIDIA GeForce RTX 2070 Mobile", 120, 2304, 0, 0, 0, 0, 0},
    {0x1F54, 0, "TU106", "RTX 2070 Mobile", "NVIDIA GeForce RTX 2070 Mobile", 120, 2304, 0, 0, 0, 0, 0},
    {0x1F11, 0, "TU106", "RTX 2060 Mobile", "NVIDIA GeForce RTX 2060 Mobile", 120, 1920, 0, 0, 0, 0, 0},
    {0x1F12, 0, "TU106", "RTX 2060 Mobile", "NVIDIA GeForce RTX 2060 Max-Q", 120, 1920, 0, 0, 0, 0, 0},
    {0x1F15, 0, "TU106", "RTX 2060 Mobile", "NVIDIA GeForce RTX 2060 Mobile", 120, 1920, 0, 0, 0, 0, 0},
    {0x1F51, 0, "TU106", "RTX 2060 Mobile", "NVIDIA GeForce RTX 2060 Mobile", 120, 1920, 0, 0, 0, 0, 0},
    {0x1F55, 0, "TU106", "RTX 2060 Mobile", "NVIDIA GeForce RTX 2060 Mobile", 120, 1920, 0, 0, 0, 0, 0},
    {0x2191, 0, "TU116", "GTX 1660 Ti Mobile", "NVIDIA GeForce GTX 1660 Ti Mobile", 120, 1536, 0, 0, 0, 0, 0},
    {0x21D1, 0, "TU116", "GTX 1660 Ti Mobile", "NVIDIA GeForce GTX 1660 Ti Mobile", 120, 1536, 0, 0, 0, 0, 0},
    {0x1BE0, 0, "GP104", "GTX 1080 Mobile", "NVIDIA GeForce GTX 1080 Mobile", 120, 2560, 0, 0, 0, 0, 0},
    {0x1BA1, 0, "GP104", "GTX 1070 Mobile", "NVIDIA GeForce GTX 1070 Mobile", 120, 2048, 0, 0, 0, 0, 0},
    {0x1BE1, 0, "GP104", "GTX 1070 Mobile", "NVIDIA GeForce GTX 1070 Mobile", 120, 2048, 0, 0, 0, 0, 0},
    {0x1C20, 0, "GP106", "GTX 1060 Mobile", "NVIDIA GeForce GTX 1060 Mobile", 120, 1280, 0, 0, 0, 0, 0},
    {0x1C60, 0, "GP106", "GTX 1060 Mobile", "NVIDIA GeForce GTX 1060 Mobile 6GB", 120, 1280, 0, 0, 0, 0, 0},
    {0x1C8C, 0, "GP107", "GTX 1050 Ti Mobile", "NVIDIA GeForce GTX 1050 Ti Mobile", 120, 768, 0, 0, 0, 0, 0},
    {0x1C8F, 0, "GP107", "GTX 1050 Ti Mobile", "NVIDIA GeForce GTX 1050 Ti Max-Q", 120, 768, 0, 0, 0, 0, 0},
    {0x1C8D, 0, "GP107", "GTX 1050 Mobile", "NVIDIA GeForce GTX 1050 Mobile", 120, 640, 0, 0, 0, 0, 0},
    {0x1C92, 0, "GP107", "GTX 1050 Mobile", "NVIDIA GeForce GTX 1050 Mobile", 120, 640, 0, 0, 0, 0, 0},
    // Desktop boards that came out under a second device id.
    {0x2487, 0, "GA104", "RTX 3060", "NVIDIA GeForce RTX 3060", 120, 3584, 0, 0, 0, 0, 170},
    {0x2501, 0, "GA106", "RTX 3060", "NVIDIA GeForce RTX 3060", 120, 3584, 0, 0, 0, 0, 170},
    {0x2544, 0, "GA106", "RTX 3060", "NVIDIA GeForce RTX 3060", 120, 3584, 0, 0, 0, 0, 170},
    {0x2414, 0, "GA103", "RTX 3060 Ti", "NVIDIA GeForce RTX 3060 Ti", 120, 4864, 0, 0, 0, 0, 200},
    {0x2216, 0, "GA102", "RTX 3080", "NVIDIA GeForce RTX 3080", 120, 8704, 0, 0, 0, 0, 320},
    {0x1E89, 0, "TU104", "RTX 2060", "NVIDIA GeForce RTX 2060", 120, 1920, 0, 0, 0, 0, 0},
    {0x1F0A, 0, "TU106", "GTX 1650", "NVIDIA GeForce GTX 1650", 120, 896, 0, 0, 0, 0, 0},
    // Desktop cards missing above.
    {0x2582, 0, "GA107", "RTX 3050", "NVIDIA GeForce RTX 3050 8GB", 120, 2560, 0, 0, 0, 0, 0},
    {0x2507, 0, "GA106", "RTX 3050", "NVIDIA GeForce RTX 3050", 120, 2560, 0, 0, 0, 0, 130},
    {0x220A, 0, "GA102", "RTX 3080 12GB", "NVIDIA GeForce RTX 3080 12GB", 120, 8960, 0, 0, 0, 0, 350},
    {0x2187, 0, "TU116", "GTX 1650 Super", "NVIDIA GeForce GTX 1650 SUPER", 120, 1280, 0, 0, 0, 0, 100},
    {0x2188, 0, "TU116", "GTX 1650", "NVIDIA GeForce GTX 1650", 120, 896, 0, 0, 0, 0, 0},
    {0x2C05, 0, "GB203", "RTX 5070 Ti", "NVIDIA GeForce RTX 5070 Ti", 120, 8960, 0, 0, 0, 0, 300},
    {0x2F04, 0, "GB205", "RTX 5070", "NVIDIA GeForce RTX 5070", 120, 6144, 0, 0, 0, 0, 250},
    {0x2D04, 0, "GB206", "RTX 5060 Ti", "NVIDIA GeForce RTX 5060 Ti", 120, 4608, 0, 0, 0, 0, 180},
    {0x2D05, 0, "GB206", "RTX 5060", "NVIDIA GeForce RTX 5060", 120, 3840, 0, 0, 0, 0, 145},
    // Workstation and data-centre cards.
    {0x2531, 0, "GA106", "RTX A2000", "NVIDIA RTX A2000", 120, 3328, 0, 0, 0, 0, 70},
    {0x2571, 0, "GA106", "RTX A2000 12GB", "NVIDIA RTX A2000 12GB", 120, 3328, 0, 0, 0, 0, 70},
    {0x24B0, 0, "GA104", "RTX A4000", "NVIDIA RTX A4000", 120, 6144, 0, 0, 0, 0, 140},
    {0x2231, 0, "GA102", "RTX A5000", "NVIDIA RTX A5000", 120, 8192, 0, 0, 0, 0, 230},
    {0x2230, 0, "GA102", "RTX A6000", "NVIDIA RTX A6000", 120, 10752, 0, 0, 0, 0, 300},
    {0x1EB8, 0, "TU104", "T4", "NVIDIA Tesla T4", 120, 2560, 0, 0, 0, 0, 70},
    {0x27B8, 0, "AD104", "L4", "NVIDIA L4", 120, 7424, 0, 0, 0, 0, 72},
    {0x20B0, 0, "GA100", "A100", "NVIDIA A100 SXM4 40GB", -1, 6912, 0, 0, 0, 0, 400},
    {0x20B2, 0, "GA100", "A100", "NVIDIA A100 SXM4 80GB", -1, 6912, 0, 0, 0, 0, 400},
    {0x20F1, 0, "GA100", "A100", "NVIDIA A100 PCIe 40GB", -1, 6912, 0, 0, 0, 0, 250},
    {0x20B5, 0, "GA100", "A100", "NVIDIA A100 PCIe 80GB", -1, 6912, 0, 0, 0, 0, 300},
    {0x2330, 0, "GH100", "H100", "NVIDIA H100 SXM5 80GB", -1, 16896, 0, 0, 0, 0, 700},
    {0x2331, 0, "GH100", "H100", "NVIDIA H100 PCIe", -1, 14592, 0, 0, 0, 0, 350},
    {0, 0, nullptr, nullptr, nullptr, 0, 0, 0, 0, 0, 0, 0},
};

const GpuDatabaseRow kAmdTable[] = {
    {0x6898, 0, "Cypress", "5870", "ATI Radeon HD 5870", 110, 1600, 0, 0, 80, 32, 188},
    {0x6899, 0, "Cypress PRO", "5850", "ATI Radeon HD 5850", 110, 1440, 0, 0, 72, 32, 151},
    {0x689C, 0, "Hemlock", "5970", "ATI Radeon HD 5970", 110, 3200, 0, 0, 160, 64, 294},
    {0x68B8, 0, "Juniper XT", "5770", "ATI Radeon HD 5770", 110, 800, 0, 0, 40, 16, 108},
    {0x68BE, 0, "Juniper PRO", "5750", "ATI Radeon HD 5750", 110, 720, 0, 0, 36, 16, 86},
    {0x68D8, 0, "Redwood XT", "5670", "ATI Radeon HD 5670", 110, 400, 0, 0, 20, 8, 61},
    {0x68F9, 0, "Cedar", "5450", "ATI Radeon HD 5450", 110, 80, 0, 0, 8, 4, 19},
    {0x6718, 0, "Cayman XT", "", "AMD Radeon HD 6970", 110, 1536, 0, 0, 0, 0, 250},
    {0x6719, 0, "Cayman PRO", "", "AMD Radeon HD 6950", 110, 1408, 0, 0, 0, 0, 200},
    {0x6738, 0, "Barts XT", "", "AMD Radeon HD 6870", 110, 1120, 0, 0, 0, 0, 151},
    {0x6739, 0, "Barts PRO", "", "AMD Radeon HD 6850", 110, 960, 0, 0, 0, 0, 127},
    {0x6758, 0, "Turks XT", "", "AMD Radeon HD 6670", 110, 480, 0, 0, 0, 0, 66},
    {0x6779, 0, "Caicos", "", "AMD Radeon HD 6450", 110, 160, 0, 0, 0, 0, 0},
    {0x940F, 0, "R600GL", "FireGL V7600", "ATI FireGL V7600", 100, 320, 0, 0, 32, 16, 0},
    {0x6798, 0, "Tahiti XT", "HD 7970", "AMD Radeon HD 7970", 110, 2048, 0, 0, 0, 0, 250},
    {0x679A, 0, "Tahiti PRO", "HD 7950", "AMD Radeon HD 7950", 110, 1792, 0, 0, 0, 0, 200},
    {0x6818, 0, "Pitcairn XT", "HD 7870", "AMD Radeon HD 7870", 110, 1280, 0, 0, 0, 0, 175},
    {0x6819, 0, "Pitcairn PRO", "HD 7850", "AMD Radeon HD 7850", 110, 1024, 0, 0, 0, 0, 130},
    {0x683D, 0, "Cape Verde XT", "HD 7770", "AMD Radeon HD 7770", 110, 640, 0, 0, 0, 0, 80},
    {0x683F, 0, "Cape Verde PRO", "HD 7750", "AMD Radeon HD 7750", 110, 512, 0, 0, 0, 0, 55},
    {0x67B0, 0, "Hawaii XT", "R9 290X", "AMD Radeon R9 290X / 390X", 120, 2816, 0, 0, 0, 0, 0},
    {0x67B1, 0, "Hawaii PRO", "R9 290", "AMD Radeon R9 290 / 390", 120, 2560, 0, 0, 0, 0, 0},
    {0x6939, 0, "Tonga PRO", "R9 285", "AMD Radeon R9 285 / 380", 120, 1792, 0, 0, 0, 0, 0},
    {0x7300, 0, "Fiji", "R9 Fury", "AMD Radeon R9 Fury / Nano Series", 120, -1, 0, 0, 0, 0, 0},
    {0x67DF, 0, "Ellesmere", "RX 480", "AMD Radeon RX 470/480/570/580", 120, -1, 0, 0, 0, 0, 0},
    {0x67EF, 0, "Baffin", "RX 460", "AMD Radeon RX 460/560", 120, -1, 0, 0, 0, 0, 0},
    {0x699F, 0, "Lexa", "RX 550", "AMD Radeon RX 550", 120, -1, 0, 0, 0, 0, 0},
    {0x687F, 0, "Vega 10", "RX Vega", "AMD Radeon RX Vega 56/64", 120, -1, 0, 0, 0, 0, 0},
    {0x66AF, 0, "Vega 20", "Radeon VII", "AMD Radeon VII", 120, 3840, 0, 0, 0, 0, 300},
    {0x15DD, 0, "Raven", "", "AMD Radeon Vega Graphics (Raven Ridge)", 120, -1, 0, 0, 0, 0, 0},
    {0x15D8, 0, "Picasso", "", "AMD Radeon Vega Graphics (Picasso)", 120, -1, 0, 0, 0, 0, 0},
    {0x1636, 0, "Renoir", "", "AMD Radeon Graphics (Renoir)", 120, -1, 0, 0, 0, 0, 0},
    {0x1638, 0, "Cezanne", "", "AMD Radeon Graphics (Cezanne)", 120, -1, 0, 0, 0, 0, 0},
    {0x164C, 0, "Lucienne", "", "AMD Radeon Graphics (Lucienne)", 120, -1, 0, 0, 0, 0, 0},
    {0x164E, 0, "Raphael", "", "AMD Radeon Graphics (Raphael)", 120, -1, 0, 0, 0, 0, 0},
    {0x15BF, 0, "Phoenix", "", "AMD Radeon 780M / 760M Graphics", 120, -1, 0, 0, 0, 0, 0},
    {0x731F, 0, "Navi 10", "RX 5700", "AMD Radeon RX 5600/5700 Series", 120, -1, 0, 0, 0, 0, 0},
    {0x7340, 0, "Navi 14", "RX 5500", "AMD Radeon RX 5500 Series", 120, -1, 0, 0, 0, 0, 0},
    {0x73BF, 0, "Navi 21", "RX 6800", "AMD Radeon RX 6800/6800 XT/6900 XT", 120, -1, 0, 0, 0, 0, 0},
    {0x73DF, 0, "Navi 22", "RX 6700", "AMD Radeon RX 6700/6700 XT/6750 XT", 120, -1, 0, 0, 0, 0, 0},
    {0x73FF, 0, "Navi 23", "RX 6600", "AMD Radeon RX 6600/6600 XT/6600M", 120, -1, 0, 0, 0, 0, 0},
    {0x743F, 0, "Navi 24", "RX 6500", "AMD Radeon RX 6400/6500 XT", 120, -1, 0, 0, 0, 0, 0},
    {0x744C, 0, "Navi 31", "RX 7900", "AMD Radeon RX 7900 XT/7900 XTX/7900 GRE", 120, -1, 0, 0, 0, 0, 0},
    {0x747E, 0, "Navi 32", "RX 7800", "AMD Radeon RX 7700 XT/7800 XT", 120, -1, 0, 0, 0, 0, 0},
    {0x7480, 0, "Navi 33", "RX 7600", "AMD Radeon RX 7600/7600 XT/7700S/7600S", 120, -1, 0, 0, 0, 0, 0},
    {0x7550, 0, "Navi 48", "RX 9070", "AMD Radeon RX 9070/9070 XT", 120, -1, 0, 0, 0, 0, 0},
    {0x73A5, 0, "Navi 21", "RX 6950 XT", "AMD Radeon RX 6950 XT", 120, 5120, 0, 0, 0, 0, 335},
    {0x73AF, 0, "Navi 21", "RX 6900 XT", "AMD Radeon RX 6900 XT", 120, 5120, 0, 0, 0, 0, 300},
    {0x73EF, 0, "Navi 23", "RX 6650 XT", "AMD Radeon RX 6650 XT / 6700S / 6800S", 120, -1, 0, 0, 0, 0, 0},
    {0x7483, 0, "Navi 33", "RX 7600M", "AMD Radeon RX 7600M/7600M XT", 120, -1, 0, 0, 0, 0, 0},
    {0x7590, 0, "Navi 44", "RX 9060", "AMD Radeon RX 9060/9060 XT", 120, -1, 0, 0, 0, 0, 0},
    {0x1681, 0, "Rembrandt", "", "AMD Radeon 680M / 660M Graphics", 120, -1, 0, 0, 0, 0, 0},
    {0x15C8, 0, "Phoenix2", "", "AMD Radeon 740M Graphics", 120, -1, 0, 0, 0, 0, 0},
    {0x1506, 0, "Mendocino", "", "AMD Radeon 610M Graphics", 120, -1, 0, 0, 0, 0, 0},
    {0x67FF, 0, "Baffin", "RX 560", "AMD Radeon RX 550 640SP / RX 560/560X", 120, -1, 0, 0, 0, 0, 0},
    {0x15E7, 0, "Barcelo", "", "AMD Radeon Graphics (Barcelo)", 120, -1, 0, 0, 0, 0, 0},
    // The Steam Deck's APU (the LCD model; Valve's own name for it).
    {0x163F, 0, "Van Gogh", "Steam Deck", "AMD Custom GPU 0405 (Steam Deck)", 120, 512, 0, 0, 0, 0, 0},
    {0x68F9, 0, "Cedar", "6200", "ATI Radeon HD 6200 Series", 110, 80, 0, 0, 8, 4, 0},
    {0, 0, nullptr, nullptr, nullptr, 0, 0, 0, 0, 0, 0, 0},
};

const GpuDatabaseRow kS3Table[] = {
    {0x9042, 0, "Chrome 440/430", "Chrome 440/430", "S3 Graphics Chrome 430/440 Series", 100, 64, 0, 0, 16, 4, 0},
    {0, 0, nullptr, nullptr, nullptr, 0, 0, 0, 0, 0, 0, 0},
};

const GpuDatabaseRow kIntelTable[] = {
    {0x0102, 0, "HD 2000", "", "Intel HD Graphics 2000", 100, 6, 0, 0, -1, -1, 95},
    {0x0112, 0, "HD 3000", "", "Intel HD Graphics 3000", 100, 12, 0, 0, -1, -1, 0},
    {0x0122, 0, "HD 3000", "", "Intel HD Graphics 3000", 100, 12, 0, 0, -1, -1, 0},
    {0x0152, 0, "HD 2500", "", "Intel HD Graphics 2500", 110, 6, 0, 0, -1, -1, 0},
    {0x0162, 0, "HD 4000", "", "Intel HD Graphics 4000", 110, 16, 0, 0, -1, -1, 0},
    {0x0166, 0, "HD 4000", "", "Intel HD Graphics 4000", 110, 16, 0, 0, -1, -1, 0},
    {0x0412, 0, "HD 4600", "", "Intel HD Graphics 4600", 110, 20, 0, 0, -1, -1, 0},
    {0x0416, 0, "HD 4600", "", "Intel HD Graphics 4600", 110, 20, 0, 0, -1, -1, 0},
    {0x0A16, 0, "HD 4400", "", "Intel HD Graphics 4400", 110, 20, 0, 0, -1, -1, 0},
    {0x0D22, 0, "Iris Pro 5200", "", "Intel Iris Pro Graphics 5200", 110, 40, 0, 0, -1, -1, 0},
    {0x0D26, 0, "Iris Pro 5200", "", "Intel Iris Pro Graphics 5200", 110, 40, 0, 0, -1, -1, 0},
    {0x1616, 0, "HD 5500", "", "Intel HD Graphics 5500", 110, 24, 0, 0, -1, -1, 0},
    {0x1912, 0, "HD 530", "", "Intel HD Graphics 530", 120, 24, 0, 0, -1, -1, 0},
    {0x191B, 0, "HD 530", "", "Intel HD Graphics 530", 120, 24, 0, 0, -1, -1, 0},
    {0x5912, 0, "HD 630", "", "Intel HD Graphics 630", 120, 24, 0, 0, -1, -1, 0},
    {0x591B, 0, "HD 630", "", "Intel HD Graphics 630", 120, 24, 0, 0, -1, -1, 0},
    {0x5917, 0, "UHD 620", "", "Intel UHD Graphics 620", 120, 24, 0, 0, -1, -1, 0},
    {0x3EA0, 0, "UHD 620", "", "Intel UHD Graphics 620", 120, 24, 0, 0, -1, -1, 0},
    {0x3E92, 0, "UHD 630", "", "Intel UHD Graphics 630", 120, 24, 0, 0, -1, -1, 0},
    {0x3E9B, 0, "UHD 630", "", "Intel UHD Graphics 630", 120, 24, 0, 0, -1, -1, 0},
    {0x9BC5, 0, "UHD 630", "", "Intel UHD Graphics 630", 120, 24, 0, 0, -1, -1, 0},
    {0x4680, 0, "UHD 770", "", "Intel UHD Graphics 770", 120, 32, 0, 0, -1, -1, 0},
    {0xA780, 0, "UHD 770", "", "Intel UHD Graphics 770", 120, 32, 0, 0, -1, -1, 0},
    {0x9A49, 0, "Iris Xe", "", "Intel Iris Xe Graphics", 120, -1, 0, 0, -1, -1, 0},
    {0x46A6, 0, "Iris Xe", "", "Intel Iris Xe Graphics", 120, -1, 0, 0, -1, -1, 0},
    {0x56A0, 0, "DG2", "Arc A770", "Intel Arc A770 Graphics", 120, 512, 0, 0, -1, -1, 225},
    {0x56A1, 0, "DG2", "Arc A750", "Intel Arc A750 Graphics", 120, 448, 0, 0, -1, -1, 225},
    {0x56A5, 0, "DG2", "Arc A380", "Intel Arc A380 Graphics", 120, 128, 0, 0, -1, -1, 75},
    {0x1916, 0, "HD 520", "", "Intel HD Graphics 520", 120, 24, 0, 0, -1, -1, 0},
    {0x5916, 0, "HD 620", "", "Intel HD Graphics 620", 120, 24, 0, 0, -1, -1, 0},
    {0x1612, 0, "HD 5600", "", "Intel HD Graphics 5600", 110, 24, 0, 0, -1, -1, 0},
    {0x1626, 0, "HD 6000", "", "Intel HD Graphics 6000", 110, 48, 0, 0, -1, -1, 0},
    {0x162B, 0, "Iris 6100", "", "Intel Iris Graphics 6100", 110, 48, 0, 0, -1, -1, 0},
    {0x22B0, 0, "Braswell", "", "Intel HD Graphics (Braswell)", 110, -1, 0, 0, -1, -1, 0},
    {0x22B1, 0, "Braswell", "", "Intel HD Graphics (Braswell)", 110, -1, 0, 0, -1, -1, 0},
    {0x1926, 0, "Iris 540", "", "Intel Iris Graphics 540", 120, 48, 0, 0, -1, -1, 0},
    {0x1927, 0, "Iris 550", "", "Intel Iris Graphics 550", 120, 48, 0, 0, -1, -1, 0},
    {0x193B, 0, "Iris Pro 580", "", "Intel Iris Pro Graphics 580", 120, 72, 0, 0, -1, -1, 0},
    {0x5A85, 0, "HD 500", "", "Intel HD Graphics 500", 120, 12, 0, 0, -1, -1, 0},
    {0x5A84, 0, "HD 505", "", "Intel HD Graphics 505", 120, 18, 0, 0, -1, -1, 0},
    {0x591C, 0, "UHD 615", "", "Intel UHD Graphics 615", 120, 24, 0, 0, -1, -1, 0},
    {0x87C0, 0, "UHD 617", "", "Intel UHD Graphics 617", 120, 24, 0, 0, -1, -1, 0},
    {0x5926, 0, "Iris Plus 640", "", "Intel Iris Plus Graphics 640", 120, 48, 0, 0, -1, -1, 0},
    {0x5927, 0, "Iris Plus 650", "", "Intel Iris Plus Graphics 650", 120, 48, 0, 0, -1, -1, 0},
    {0x3EA5, 0, "Iris Plus 655", "", "Intel Iris Plus Graphics 655", 120, 48, 0, 0, -1, -1, 0},
    {0x3E90, 0, "UHD 610", "", "Intel UHD Graphics 610", 120, 12, 0, 0, -1, -1, 0},
    {0x9B21, 0, "UHD 620", "", "Intel UHD Graphics 620", 120, 24, 0, 0, -1, -1, 0},
    {0x3185, 0, "UHD 600", "", "Intel UHD Graphics 600", 120, 12, 0, 0, -1, -1, 0},
    {0x3184, 0, "UHD 605", "", "Intel UHD Graphics 605", 120, 18, 0, 0, -1, -1, 0},
    {0x3E91, 0, "UHD 630", "", "Intel UHD Graphics 630", 120, 24, 0, 0, -1, -1, 0},
    {0x3E98, 0, "UHD 630", "", "Intel UHD Graphics 630", 120, 24, 0, 0, -1, -1, 0},
    {0x9BC8, 0, "UHD 630", "", "Intel UHD Graphics 630", 120, 24, 0, 0, -1, -1, 0},
    {0x4C8A, 0, "UHD 750", "", "Intel UHD Graphics 750", 120, 32, 0, 0, -1, -1, 0},
    {0x4C8B, 0, "UHD 730", "", "Intel UHD Graphics 730", 120, 24, 0, 0, -1, -1, 0},
    {0x4690, 0, "UHD 770", "", "Intel UHD Graphics 770", 120, 32, 0, 0, -1, -1, 0},
    {0x4692, 0, "UHD 730", "", "Intel UHD Graphics 730", 120, 24, 0, 0, -1, -1, 0},
    {0x4682, 0, "UHD 730", "", "Intel UHD Graphics 730", 120, 24, 0, 0, -1, -1, 0},
    // Several execution-unit counts share each of these ids.
    {0x4E55, 0, "Jasper Lake", "", "Intel UHD Graphics (Jasper Lake)", 120, -1, 0, 0, -1, -1, 0},
    {0x4E61, 0, "Jasper Lake", "", "Intel UHD Graphics (Jasper Lake)", 120, -1, 0, 0, -1, -1, 0},
    {0x4E71, 0, "Jasper Lake", "", "Intel UHD Graphics (Jasper Lake)", 120, -1, 0, 0, -1, -1, 0},
    {0x46D0, 0, "Alder Lake-N", "", "Intel UHD Graphics (Alder Lake-N)", 120, -1, 0, 0, -1, -1, 0},
    {0x46D1, 0, "Alder Lake-N", "", "Intel UHD Graphics (Alder Lake-N)", 120, -1, 0, 0, -1, -1, 0},
    {0x46D2, 0, "Alder Lake-N", "", "Intel UHD Graphics (Alder Lake-N)", 120, -1, 0, 0, -1, -1, 0},
    {0x8A52, 0, "Ice Lake G7", "", "Intel Iris Plus Graphics G7", 120, 64, 0, 0, -1, -1, 0},
    {0x8A51, 0, "Ice Lake G7", "", "Intel Iris Plus Graphics G7", 120, 64, 0, 0, -1, -1, 0},
    {0x8A5A, 0, "Ice Lake G4", "", "Intel Iris Plus Graphics G4", 120, 48, 0, 0, -1, -1, 0},
    {0x8A5C, 0, "Ice Lake G4", "", "Intel Iris Plus Graphics G4", 120, 48, 0, 0, -1, -1, 0},
    {0x8A56, 0, "Ice Lake G1", "", "Intel UHD Graphics G1", 120, 32, 0, 0, -1, -1, 0},
    {0x9A60, 0, "Tiger Lake-H", "", "Intel UHD Graphics (Tiger Lake-H)", 120, -1, 0, 0, -1, -1, 0},
    {0x9A68, 0, "Tiger Lake-H", "", "Intel UHD Graphics (Tiger Lake-H)", 120, -1, 0, 0, -1, -1, 0},
    {0x9A70, 0, "Tiger Lake-H", "", "Intel UHD Graphics (Tiger Lake-H)", 120, -1, 0, 0, -1, -1, 0},
    {0x9A40, 0, "Iris Xe", "", "Intel Iris Xe Graphics", 120, -1, 0, 0, -1, -1, 0},
    {0x46A8, 0, "Iris Xe", "", "Intel Iris Xe Graphics", 120, -1, 0, 0, -1, -1, 0},
    {0xA7A0, 0, "Iris Xe", "", "Intel Iris Xe Graphics (Raptor Lake-P)", 120, -1, 0, 0, -1, -1, 0},
    {0xA7A1, 0, "Iris Xe", "", "Intel Iris Xe Graphics (Raptor Lake-P)", 120, -1, 0, 0, -1, -1, 0},
    {0x7D55, 0, "Meteor Lake", "", "Intel Arc Graphics (Meteor Lake)", 120, -1, 0, 0, -1, -1, 0},
    {0x7DD5, 0, "Meteor Lake", "", "Intel Graphics (Meteor Lake)", 120, -1, 0, 0, -1, -1, 0},
    {0x64A0, 0, "Lunar Lake", "", "Intel Arc Graphics 130V / 140V", 120, -1, 0, 0, -1, -1, 0},
    {0x56A2, 0, "DG2", "Arc A580", "Intel Arc A580 Graphics", 120, 384, 0, 0, -1, -1, 185},
    {0x56A6, 0, "DG2", "Arc A310", "Intel Arc A310 Graphics", 120, 96, 0, 0, -1, -1, 75},
    {0x5690, 0, "DG2", "Arc A770M", "Intel Arc A770M Graphics", 120, 512, 0, 0, -1, -1, 0},
    {0x5691, 0, "DG2", "Arc A730M", "Intel Arc A730M Graphics", 120, 384, 0, 0, -1, -1, 0},
    {0x5692, 0, "DG2", "Arc A550M", "Intel Arc A550M Graphics", 120, 256, 0, 0, -1, -1, 0},
    {0x5693, 0, "DG2", "Arc A370M", "Intel Arc A370M Graphics", 120, 128, 0, 0, -1, -1, 0},
    {0x5694, 0, "DG2", "Arc A350M", "Intel Arc A350M Graphics", 120, 96, 0, 0, -1, -1, 0},
    {0xE20B, 0, "BMG-G21", "Arc B580", "Intel Arc B580 Graphics", 120, 160, 0, 0, -1, -1, 190},
    {0xE20C, 0, "BMG-G21", "Arc B570", "Intel Arc B570 Graphics", 120, 144, 0, 0, -1, -1, 150},
    {0, 0, nullptr, nullptr, nullptr, 0, 0, 0, 0, 0, 0, 0},
};
// clang-format on

const GpuDatabaseRow* Row(uint32_t vendorId, int32_t index)
{
    const auto table = GpuDatabase::Table(vendorId);
    if (index < 0 || static_cast<size_t>(index) >= table.size())
        return nullptr;
    return &table[static_cast<size_t>(index)];
}

const char* TextOrUnknown(const char* text) { return text ? text : "Unknown"; }

}  // namespace

std::span<const GpuDatabaseRow> GpuDatabase::Table(uint32_t vendorId)
{
    switch (vendorId) {
    case kPciVendorNvidia: return kNvidiaTable;
    case kPciVendorAmd: return kAmdTable;
    case kPciVendorS3: return kS3Table;
    case kPciVendorIntel: return kIntelTable;
    default: return {};
    }
}

int32_t GpuDatabase::Lookup(uint32_t vendorId, uint32_t deviceId)
{
    const auto table = Table(vendorId);
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].device_id == deviceId)
            return static_cast<int32_t>(i);
    return -1;
}

const char* GpuDatabase::Codename(uint32_t vendorId, int32_t index)
{
    const GpuDatabaseRow* r = Row(vendorId, index);
    return r ? TextOrUnknown(r->codename) : "Unknown";
}

const char* GpuDatabase::FullName(uint32_t vendorId, int32_t index)
{
    const GpuDatabaseRow* r = Row(vendorId, index);
    return r ? TextOrUnknown(r->full_name) : "Unknown";
}

int32_t GpuDatabase::UnifiedShaders(uint32_t vendorId, int32_t index)
{
    const GpuDatabaseRow* r = Row(vendorId, index);
    return r ? r->unified_shaders : 0;
}

int32_t GpuDatabase::VertexShaders(uint32_t vendorId, int32_t index)
{
    const GpuDatabaseRow* r = Row(vendorId, index);
    return r ? r->vertex_shaders : 0;
}

int32_t GpuDatabase::PixelShaders(uint32_t vendorId, int32_t index)
{
    const GpuDatabaseRow* r = Row(vendorId, index);
    return r ? r->pixel_shaders : 0;
}

int32_t GpuDatabase::TextureUnits(uint32_t vendorId, int32_t index)
{
    const GpuDatabaseRow* r = Row(vendorId, index);
    return r ? r->texture_units : 0;
}

int32_t GpuDatabase::Rops(uint32_t vendorId, int32_t index)
{
    const GpuDatabaseRow* r = Row(vendorId, index);
    return r ? r->rops : 0;
}

int32_t GpuDatabase::TdpWatts(uint32_t vendorId, int32_t index)
{
    const GpuDatabaseRow* r = Row(vendorId, index);
    return r ? r->tdp_watts : 0;
}

const char* GpuDatabase::NameWithOverride(uint32_t vendorId, uint32_t deviceId, uint32_t subsysDeviceId,
                                          int32_t index)
{
    // This Cedar board shares the HD 5450's device id; only its subsystem id tells it apart.
    if (vendorId == kPciVendorAmd && deviceId == 0x68F9 && subsysDeviceId == 0x2126)
        return "ATI Radeon HD 6350";
    return FullName(vendorId, index);
}

}  // namespace Ridudedozu
