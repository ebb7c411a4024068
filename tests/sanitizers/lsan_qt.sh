# Sourced by the end-to-end scripts that may start Qt: what the leak checker
# of a sanitizer build is told there.
#
# - The suppressions of lsan_qt.supp (fontconfig's allocations).
# - intercept_tls_get_addr=0: Qt's libraries come with the module the
#   program opens (dlopen), so their thread-local storage is dynamic TLS.
#   GCC 12's leak checker, tracking those blocks through __tls_get_addr on
#   glibc 2.36, records a range that is not mapped (for one of Qt's threads)
#   and its tracer dies on it at exit ("Tracer caught signal 11"), whatever
#   the program did. Off, the checker does not scan dynamic TLS blocks; the
#   runtime keeps nothing there, and static TLS and every stack are still
#   scanned.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lsan_qt.supp:intercept_tls_get_addr=0"
