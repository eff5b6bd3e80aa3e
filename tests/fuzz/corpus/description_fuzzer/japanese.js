ja_JP.UTF-8
  //qfjs(ja_jp):one
//qfjs(ja_jp):two
//qfjs(ja_jp):three
//qfjs(ja_jp):four
//qfjs(:x
//qfjs(en_us)x
