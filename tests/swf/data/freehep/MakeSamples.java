// Draws a few pictures with Java2D into SWF files through FreeHEP's SWF driver, an SWF writer
// independent of ours. Usage: java -cp <freehep jars>:. MakeSamples <output folder>
import java.awt.BasicStroke;
import java.awt.Color;
import java.awt.Dimension;
import java.awt.Font;
import java.awt.GradientPaint;
import java.awt.Graphics2D;
import java.awt.geom.Ellipse2D;
import java.awt.geom.GeneralPath;
import java.awt.geom.Rectangle2D;
import java.awt.geom.RoundRectangle2D;
import java.awt.image.BufferedImage;
import java.io.File;
import java.util.Properties;

import org.freehep.graphicsio.AbstractVectorGraphicsIO;
import org.freehep.graphicsio.swf.SWFGraphics2D;

public class MakeSamples {
  interface Picture {
    void draw(Graphics2D g);
  }

  static void write(File file, boolean textAsShapes, String imagesAs, Picture picture) throws Exception {
    SWFGraphics2D g = new SWFGraphics2D(file, new Dimension(200, 150));
    Properties p = new Properties();
    p.setProperty(AbstractVectorGraphicsIO.TEXT_AS_SHAPES, Boolean.toString(textAsShapes));
    p.setProperty(SWFGraphics2D.WRITE_IMAGES_AS, imagesAs);
    g.setProperties(p);
    g.startExport();
    picture.draw(g);
    g.endExport();
  }

  static void shapes(Graphics2D g) {
    g.setColor(new Color(230, 240, 255));
    g.fill(new Rectangle2D.Double(0, 0, 200, 150));
    g.setColor(Color.RED);
    g.fill(new Rectangle2D.Double(10, 10, 60, 40));
    g.setPaint(new GradientPaint(80, 10, Color.BLUE, 190, 60, Color.YELLOW));
    g.fill(new Ellipse2D.Double(80, 10, 110, 50));
    g.setColor(new Color(0, 128, 0, 128));  // half transparent
    g.fill(new RoundRectangle2D.Double(40, 30, 80, 60, 20, 20));
    GeneralPath path = new GeneralPath();
    path.moveTo(10, 140);
    path.quadTo(50, 70, 90, 140);
    path.curveTo(110, 90, 150, 160, 190, 100);
    g.setColor(Color.BLACK);
    g.setStroke(new BasicStroke(1f));
    g.draw(path);
    g.setColor(Color.MAGENTA);
    g.setStroke(new BasicStroke(4f, BasicStroke.CAP_ROUND, BasicStroke.JOIN_ROUND));
    g.draw(new Rectangle2D.Double(130, 70, 50, 30));
    g.setColor(new Color(0, 0, 255, 160));
    g.setStroke(new BasicStroke(8f));
    g.drawLine(20, 60, 20, 120);
  }

  static void text(Graphics2D g) {
    g.setColor(Color.WHITE);
    g.fill(new Rectangle2D.Double(0, 0, 200, 150));
    g.setColor(Color.BLACK);
    g.setFont(new Font(Font.SERIF, Font.PLAIN, 18));
    g.drawString("Flash text", 10, 30);
    g.setColor(Color.BLUE);
    g.setFont(new Font(Font.SANS_SERIF, Font.BOLD, 28));
    g.drawString("Bold 28", 10, 80);
    g.setColor(new Color(160, 0, 0));
    g.setFont(new Font(Font.MONOSPACED, Font.ITALIC, 12));
    g.drawString("mono 12 ok", 10, 120);
  }

  // A small generated picture; with alpha it is written losslessly, without it as JPEG.
  static BufferedImage pattern(boolean alpha) {
    BufferedImage img = new BufferedImage(32, 24, alpha ? BufferedImage.TYPE_INT_ARGB : BufferedImage.TYPE_INT_RGB);
    for (int y = 0; y < img.getHeight(); ++y) {
      for (int x = 0; x < img.getWidth(); ++x) {
        int a = alpha && x < 4 ? 0x80 : 0xFF;
        img.setRGB(x, y, (a << 24) | ((x * 8) << 16) | ((y * 10) << 8) | ((x ^ y) * 8 & 0xFF));
      }
    }
    return img;
  }

  static void images(Graphics2D g, boolean alpha) {
    g.setColor(Color.LIGHT_GRAY);
    g.fill(new Rectangle2D.Double(0, 0, 200, 150));
    g.drawImage(pattern(alpha), 10, 10, 96, 72, null);
    g.drawImage(pattern(alpha), 120, 90, null);
  }

  public static void main(String[] args) throws Exception {
    File dir = new File(args.length > 0 ? args[0] : ".");
    write(new File(dir, "shapes.swf"), false, "ZLIB", MakeSamples::shapes);
    write(new File(dir, "text.swf"), false, "ZLIB", MakeSamples::text);
    write(new File(dir, "text_shapes.swf"), true, "ZLIB", MakeSamples::text);
    write(new File(dir, "images_lossless.swf"), false, "ZLIB", g -> images(g, true));
    write(new File(dir, "images_jpeg.swf"), false, "JPG", g -> images(g, false));
  }
}
