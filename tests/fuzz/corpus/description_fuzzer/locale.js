sr_Latn_RS@euro.ISO-8859-1
//qfjs:x
//qfjs(sr_latn_rs):y
