// A library with a 48-byte dynamic TLS block, loaded with dlopen by leak_check_probe: glibc
// allocates the block with malloc the first time a thread touches it.
extern "C" {
__thread char gridfall_tls_block[48];
char* GridfallTlsBlock() { return gridfall_tls_block; }
}
