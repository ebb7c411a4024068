# Sourced by the end-to-end scripts that damage a copy of the shop
# (examples/tienda): each recipe, by its name, is shell commands run in the
# copy's folder, with $sample the intact shop. Garbage is written with bytes
# no text holds; a file cut short ends inside a line.
garbage=$'x\x01\x02\xff\r\nrest'
declare -A recipe=(
  ["start menu missing"]="rm DBMENU.PMT"
  ["start menu garbage"]="printf '%s' \"\$garbage\" > DBMENU.PMT"
  ["screen PAN garbage"]="printf '%s' \"\$garbage\" > CLIENTES.PAN"
  ["screen PAN cut short"]="head -c 150 \"\$sample/CLIENTES.PAN\" > CLIENTES.PAN"
  ["screen PPN cut short"]="head -c 150 \"\$sample/CLIENTES.PPN\" > CLIENTES.PPN"
  ["screen PPN garbage"]="printf '%s' \"\$garbage\" > CLIENTES.PPN"
  ["screen PPN missing"]="rm CLIENTES.PPN"
  ["dictionary cut short"]="head -c 100 \"\$sample/KADICC.DAT\" > KADICC.DAT"
  ["procedure garbage"]="printf '%s' \"\$garbage\" > RESUMEN.PRX"
  ["procedure cut before its LOOP"]="printf 'A=0\r\nDO_WHILE A<3\r\nA=A+1\r\n' > CORTADO.PRX"
  ["stock summary cut before its LOOP"]="sed '/^LOOP/,\$d' \"\$sample/RESUMEN.PRX\" > RESUMEN.PRX"
  ["rule file garbage"]="printf '%s' \"\$garbage\" > KARELUPSQL.DAT"
  ["menu item naming nothing"]="printf 'Menu\r\n\tUno,MantMain NADA\r\n\tDos,Mantmain CLIENTES\r\n' > DBMENU.PMT"
)
# A fresh copy of the shop in folder $2 with the damage named $1.
damaged_copy() {
  rm -rf "$2" && cp -r "$sample" "$2"
  (cd "$2" && eval "${recipe[$1]}")
}
