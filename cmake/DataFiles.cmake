# Every data file the generator makes, by name: the native build lays them
# out in the game folder, the browser build packs them into its page.
set(VOLTARI_DATA_NAMES
  sheet.gfx CPUPlayer.dat paddle.dat anifade.dat animate.dat Vardel_06.dat
  qelvane.gfx screen_0.gfx screen_1.gfx screen_2.gfx nback.gfx
  pic_1.dat pic_2.dat pic_3.dat pic_4.dat pic_5.dat lev_1.dat lev_2.dat netmsg.dat
  sound.dat crack.dat ufo.dat Track01.mp3)
