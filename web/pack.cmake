# Packs the page for any static host: the program, its code and the data
# files gzip-compressed next to the originals (the page unpacks them with the
# browser's own DecompressionStream, whatever the server does), and
# voltari-files.json, the list the page downloads with its sizes in bytes,
# which also drives the progress bar and the offline copy.
#   cmake -DOUT=<folder> -P pack.cmake
set(packed voltari.js voltari.wasm voltari.data)
set(plain touch.js pads.js voltari.webmanifest voltari.png voltari-192.png voltari-512.png)
set(entries "")
foreach(name IN LISTS packed)
  execute_process(COMMAND gzip -9 -n -f -k ${OUT}/${name} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${name} failed")
  endif()
  file(SIZE ${OUT}/${name}.gz bytes)
  list(APPEND entries "{\"name\": \"${name}.gz\", \"bytes\": ${bytes}}")
endforeach()
foreach(name IN LISTS plain)
  if(EXISTS ${OUT}/${name})
    file(SIZE ${OUT}/${name} bytes)
    list(APPEND entries "{\"name\": \"${name}\", \"bytes\": ${bytes}}")
  endif()
endforeach()
list(JOIN entries ",\n  " body)
file(WRITE ${OUT}/voltari-files.json "[\n  ${body}\n]\n")
