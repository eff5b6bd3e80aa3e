
//qfjs:Blur
//qfjs:second
//qfjs(ja_jp):ぼかし
Print(1)
