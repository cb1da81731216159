# The gzip layer of the file managers inflates with zlib.
target_link_libraries(kestrel_system PUBLIC ZLIB::ZLIB)
