// Compiled with one layer's include roots and a header of a layer it must not
// reach; the build has to fail on the include (see tests/CMakeLists.txt).
#include WRONG_HEADER
