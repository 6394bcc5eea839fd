// The scratch folder and scan probe of the window tests and the guard-page
// allocator of the version tests, built into this program as well.
#include "version/GuardPageBuffer.cpp"
#include "window/LibraryFolder.cpp"
#include "window/ScanProbe.cpp"
