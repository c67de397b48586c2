# cmake -DIMAGE=<exe> -P check_image_size.cmake
# The package writer takes bytes 4096..12287 of each stub image as its code
# array, so an image shorter than 12288 bytes cannot carry a package.
file(SIZE ${IMAGE} size)
if(size LESS 12288)
  message(FATAL_ERROR "${IMAGE} is ${size} bytes; a stub image needs at least 12288")
endif()
