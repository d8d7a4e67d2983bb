# cmake -DDIR=... -DFILES="a;b" -P write_sha256sums.cmake: writes DIR/SHA256SUMS in the
# format `sha256sum -c` reads (hash, two blanks, name).
set(qiv_sums "")
foreach(name IN LISTS FILES)
  file(SHA256 "${DIR}/${name}" qiv_hash)
  string(APPEND qiv_sums "${qiv_hash}  ${name}\n")
endforeach()
file(WRITE "${DIR}/SHA256SUMS" "${qiv_sums}")
