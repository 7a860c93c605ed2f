# cmake -DFROM=folder -DTO=folder -P CopyFolderIfPresent.cmake: copies the folder's contents
# when it exists (a folder another branch adds may not be there yet), and nothing otherwise.
if(EXISTS "${FROM}")
    file(COPY "${FROM}/" DESTINATION "${TO}")
endif()
