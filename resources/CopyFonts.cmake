# Copies the .ttf files of SRC (if any) into DST.
file(GLOB _ttf "${SRC}/*.ttf")
if(_ttf)
  file(COPY ${_ttf} DESTINATION "${DST}")
endif()
