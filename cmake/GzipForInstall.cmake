# viru4deduz_gzip_for_install(TARGET INPUT OUTPUT): compresses INPUT into OUTPUT (which must end
# in .gz) at build time, as Debian wants man pages and changelogs: gzip -9n, the best compression
# and neither the file's name nor its time in the header, so that two builds give the same bytes.
function(viru4deduz_gzip_for_install target input output)
  string(REGEX REPLACE "\\.gz$" "" uncompressed "${output}")
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${input} ${uncompressed}
    COMMAND gzip -9nf ${uncompressed}
    DEPENDS ${input}
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${output})
endfunction()
