#pragma once

#include <cstdint>

// GETs `path` from hostAddress:port and receives the body into a fresh
// buffer of the content's length; the bytes received, or -1 after printing
// why it failed.
int64_t plainDownload(const char* hostAddress, int port, const char* path);
